#!/usr/bin/env bash
# The short, bounded runs of the reliability campaigns, one after the other, as CI runs them; each campaign
# runs for longer on its own (see the head of each script). TARNELO_BUILD_DIR names the build to test.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export TARNELO_BUILD_DIR=${TARNELO_BUILD_DIR:-$root/build}
export TARNELO_CLI=$TARNELO_BUILD_DIR/src/tarnelo-cli
export TARNELO_STRESS_SHORT=1
for campaign in kill_save full_disk random_cancel odd_names broken_media; do
  start=$SECONDS
  "$here/$campaign.sh"
  echo "$campaign: passed in $((SECONDS - start)) s"
done
