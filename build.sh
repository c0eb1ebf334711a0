#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds Brenmoor.
#   ./build.sh run    install what is missing, build, start the window
#   ./build.sh test   install what is missing (test tools too), build, run every test
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

runtime_pkgs=(cmake g++ make qt6-base-dev libexpat1-dev xdg-utils)
test_pkgs=(libgtest-dev python3 python3-vobject chromium pff-tools pst-utils libxml2-utils time
           python3-ldap python3-gi gir1.2-ebookcontacts-1.2)

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

jobs=${JOBS:-2}
case "$mode" in
  run)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBRENMOOR_TESTS=OFF
    cmake --build build -j"$jobs"
    exec ./build/brenmoor
    ;;
  test)
    # The test-only npm readers (ical.js), pinned by tests/export/node/package-lock.json.
    if command -v npm >/dev/null; then
      (cd tests/export/node && npm ci --no-audit --no-fund)
    else
      echo "npm is missing: the ical.js checks will be skipped" >&2
    fi
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMOOR_TESTS=ON
    cmake --build build -j"$jobs"
    export QT_QPA_PLATFORM=offscreen
    cd build && ctest --output-on-failure -j"$jobs"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
