#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "formatting: ok"
