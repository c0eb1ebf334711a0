#!/usr/bin/env bash
# Fuzzes one target with libFuzzer for a given time, starting from the committed corpus.
#   tests/fuzz/run.sh book|csv_line|importers|walk|groups SECONDS [JOBS]
# Needs clang and libclang-rt-14-dev (Debian). Builds into build-fuzz/ (BUILD= to change),
# with AddressSanitizer and UndefinedBehaviorSanitizer. New inputs go to
# build-fuzz/corpus/TARGET, crashes and failed checks to build-fuzz/findings/TARGET; add the
# ones worth keeping to tests/fuzz/corpus/TARGET, where the test command replays them.
# SECONDS 0 only runs the committed corpus through the fuzz program once (build.sh test
# does, to prove every target builds and runs with clang).
set -euo pipefail
cd "$(dirname "$0")/../.."
target=${1:?usage: tests/fuzz/run.sh book|csv_line|importers|walk|groups SECONDS [JOBS]}
seconds=${2:?usage: tests/fuzz/run.sh book|csv_line|importers|walk|groups SECONDS [JOBS]}
jobs=${3:-1}
build=${BUILD:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMOOR_TESTS=ON \
  -DBRENMOOR_FUZZ=ON -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target "brenmoor-fuzz-$target"

mkdir -p "$build/corpus/$target" "$build/findings/$target"
source=$PWD
parallel=()
# Several jobs each write their log, fuzz-N.log, into the working folder: the build's.
[ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
cd "$build"
if [ "$seconds" = 0 ]; then exec "./brenmoor-fuzz-$target" -runs=0 "$source/tests/fuzz/corpus/$target"; fi
exec "./brenmoor-fuzz-$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 "${parallel[@]}" \
  -dict="$source/tests/fuzz/dxl.dict" -print_final_stats=1 -artifact_prefix="findings/$target/" \
  "corpus/$target" "$source/tests/fuzz/corpus/$target"
