#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and builds Brenmoor.
#   ./build.sh run    install what is missing, build, start the window
#   ./build.sh test   install what is missing (test tools too), build, run every test; then
#                     build again with AddressSanitizer and UndefinedBehaviorSanitizer
#                     (build-asan/) and run the suite there; build the fuzz programs
#                     with clang (build-fuzz/) and run their seed corpus
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

runtime_pkgs=(cmake g++ make qt6-base-dev qt6-tools-dev qt6-l10n-tools libexpat1-dev libssl-dev xdg-utils)
test_pkgs=(libgtest-dev python3 python3-vobject chromium pff-tools pst-utils libxml2-utils time
           python3-ldap python3-gi gir1.2-ebookcontacts-1.2 nodejs radicale abook
           xvfb xauth dbus at-spi2-core python3-pyatspi clang libclang-rt-14-dev parallel python3-yaml)

pkgs=("${runtime_pkgs[@]}")
[ "$mode" = test ] && pkgs+=("${test_pkgs[@]}")

sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd=sudo
updated=0
# Installs those of the given packages that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  [ "$updated" = 1 ] || $sudo_cmd apt-get update
  updated=1
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
}
install_missing "${pkgs[@]}"
# Debian's nodejs comes without npm; other builds of nodejs bring their own (and conflict
# with Debian's npm package), so npm is installed only where node came without it.
if [ "$mode" = test ] && ! command -v npm >/dev/null; then install_missing npm; fi

jobs=${JOBS:-2}
case "$mode" in
  run)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBRENMOOR_TESTS=OFF
    cmake --build build -j"$jobs"
    exec ./build/brenmoor
    ;;
  test)
    # The test-only Node readers (ical.js, vcard-parser; pst-extractor), pinned by their package-locks.
    for folder in tests/export/node tests/pst/node; do
      (cd "$folder" && npm ci --no-audit --no-fund)
    done
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMOOR_TESTS=ON
    cmake --build build -j"$jobs"
    export QT_QPA_PLATFORM=offscreen
    (cd build && ctest --output-on-failure -j"$jobs")
    # The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
    # (at -O1, which keeps the build and the run quick), but for the tests labelled
    # no_asan (an address-space cap, a resident-set bound), which cannot run under it.
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
      -DBRENMOOR_TESTS=ON -DBRENMOOR_SANITIZE=ON
    cmake --build build-asan -j"$jobs"
    # No strict_string_checks: it reports libxkbcommon's strndup of an unterminated
    # buffer, read within its bound, when the window starts on a real X display.
    export ASAN_OPTIONS=check_initialization_order=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-asan && ctest --output-on-failure -j"$jobs" -LE no_asan)
    # The fuzz programs build with clang's libFuzzer and run their seed corpus once.
    for target in book csv_line importers walk groups; do JOBS=$jobs tests/fuzz/run.sh "$target" 0; done
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
