#!/usr/bin/env bash
# The batch export against one export of the same contacts: BOOKS generated books of
# CONTACTS contacts each, converted with `export -j JOBS FORMAT --from LIST`, against
# the one book that holds all of their contacts in the same order, converted alone.
# Prints the time ratio (limit 1.2) and the peak memory ratio (limit 2), each the median
# of REPS runs, and the ratio of CPU seconds (user + system), which a busy machine
# disturbs less than the wall-clock time. Then the list in 4 shards (--shard K/4) run one
# after another against one run of the list: the time ratio (limit 1.05) and the CPU ratio.
#   bench/batch.sh [BOOKS [CONTACTS]]   default 1000 books of 100 contacts; JOBS=n (default 2),
#                                       FORMAT=word (default pst), REPS=n (default 3),
#                                       BUILD=dir (default build), BOOKS_DIR=dir (default bench/out)
# bench/batch.sh 100 10000 runs the second figure (a million contacts, about 3.8 GB of books).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
count=${1:-1000}
contacts=${2:-100}
jobs=${JOBS:-2}
format=${FORMAT:-pst}
reps=${REPS:-3}
convert=${BUILD:-$root/build}/brenmoor-convert
store=${BOOKS_DIR:-$here/out}
total=$((count * contacts))
one=$store/batch-$total.dxl
many=$store/batch-$count-$contacts
[ -x "$convert" ] || { echo "no $convert: build first" >&2; exit 1; }
mkdir -p "$store"
if [ ! -s "$one" ]; then
  echo "generating $one ..." >&2
  /usr/bin/python3 "$here/generate_book.py" "$total" "$one.part" && mv "$one.part" "$one"
fi
if [ ! -d "$many" ]; then
  echo "generating $many/ ..." >&2
  /usr/bin/python3 "$here/generate_book.py" "$total" "$many.part" --books "$count" && mv "$many.part" "$many"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ls "$many"/*.dxl >"$work/list"

# "seconds peak-KiB cpu-seconds" of one run of a command; its outputs go to a fresh folder.
measure() {
  rm -rf "$work/out"
  /usr/bin/time -o "$work/time" -f '%e %M %U %S' "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  tail -1 "$work/time" | awk '{ print $1, $2, $3 + $4 }'
}
median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

: >"$work/single"
: >"$work/batch"
: >"$work/shards"
# The 4 shards of the list one after another, as one command.
shards='for k in 1 2 3 4; do "$0" export -j "$1" --shard "$k/4" "$2" --from "$3" "$4" >/dev/null || exit 1; done'
for ((i = 0; i < reps; i++)); do
  measure "$convert" export "$format" "$one" "$work/out" >>"$work/single"
  measure "$convert" export -j "$jobs" "$format" --from "$work/list" "$work/out" >>"$work/batch"
  measure bash -c "$shards" "$convert" "$jobs" "$format" "$work/list" "$work/out" >>"$work/shards"
done
single_s=$(cut -d' ' -f1 "$work/single" | median)
single_kib=$(cut -d' ' -f2 "$work/single" | median)
batch_s=$(cut -d' ' -f1 "$work/batch" | median)
batch_kib=$(cut -d' ' -f2 "$work/batch" | median)
single_cpu=$(cut -d' ' -f3 "$work/single" | median)
batch_cpu=$(cut -d' ' -f3 "$work/batch" | median)
shards_s=$(cut -d' ' -f1 "$work/shards" | median)
shards_cpu=$(cut -d' ' -f3 "$work/shards" | median)
awk -v c="$count" -v n="$contacts" -v j="$jobs" -v f="$format" -v ss="$single_s" -v bs="$batch_s" \
    -v sk="$single_kib" -v bk="$batch_kib" -v sc="$single_cpu" -v bc="$batch_cpu" \
    -v hs="$shards_s" -v hc="$shards_cpu" 'BEGIN {
  printf "%d books of %d contacts, %s, -j %d, against one book of %d contacts:\n", c, n, f, j, c * n
  printf "  time   %.2f (limit 1.2): %.2f s against %.2f s\n", bs / ss, bs, ss
  printf "  memory %.2f (limit 2): %.0f MiB against %.0f MiB peak resident\n", bk / sk, bk / 1024, sk / 1024
  printf "  cpu    %.2f: %.2f s against %.2f s of user and system time\n", bc / sc, bc, sc
  printf "4 shards (--shard K/4) one after another, against one run of the list:\n"
  printf "  time   %.3f (limit 1.05): %.2f s against %.2f s\n", hs / bs, hs, bs
  printf "  cpu    %.3f: %.2f s against %.2f s of user and system time\n", hc / bc, hc, bc
}'
