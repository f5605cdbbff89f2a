#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the package checks and the demo need.
set -euo pipefail
packages=(
  ffmpeg build-essential cmake ninja-build pkg-config
  nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev
  qt6-base-dev libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  qt6-qpa-plugins fonts-ipafont-gothic qt6-translations-l10n
  libx11-dev libxext-dev xvfb xauth
  clang-format git
  clang-14 libclang-rt-14-dev
  jq procps
  melt
  lintian desktop-file-utils appstream x11-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
