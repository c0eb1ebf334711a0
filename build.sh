#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds Brenmoor.
#   ./build.sh run    install what is missing, build, start the window
#   ./build.sh test   install what is missing (test tools too), build, run every test
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

runtime_pkgs=(cmake g++ make qt6-base-dev libexpat1-dev xdg-utils)
test_pkgs=(libgtest-dev python3 python3-vobject chromium pff-tools pst-utils libxml2-utils nodejs)

pkgs=("${runtime_pkgs[@]}")
[ "$mode" = test ] && pkgs+=("${test_pkgs[@]}")

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd=sudo
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
# Debian's nodejs comes without npm; other builds of nodejs bring their own (and conflict with Debian's).
if [ "$mode" = test ] && ! command -v npm >/dev/null; then
  DEBIAN_FRONTEND=noninteractive ${sudo_cmd:-$([ "$(id -u)" -ne 0 ] && echo sudo)} apt-get install -y --no-install-recommends npm
fi

jobs=${JOBS:-2}
case "$mode" in
  run)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBRENMOOR_TESTS=OFF
    cmake --build build -j"$jobs"
    exec ./build/brenmoor
    ;;
  test)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMOOR_TESTS=ON
    cmake --build build -j"$jobs"
    # The Node reader of the PST tests, pinned by its package-lock.
    (cd tests/pst/node && npm ci --no-audit --no-fund)
    export QT_QPA_PLATFORM=offscreen
    cd build && ctest --output-on-failure -j"$jobs"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
