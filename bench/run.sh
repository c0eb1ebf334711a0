#!/usr/bin/env bash
# Benchmarks of reading an address book, each figure a ratio against
# `xmllint --stream --noout` on the same book in the same run (median of several
# runs of each), so that figures compare across machines; memory figures are the
# peak resident set against a fixed limit.
#   bench/run.sh [CONTACTS]     default 100000; BUILD=dir (default build), REPS=n (default 5,
#                               3 from a million contacts on), BOOKS=dir (default bench/out)
# The book BOOKS/book-CONTACTS.dxl is generated when missing (a million contacts make
# about 3.8 GB). From a million contacts on only the figures of LARGE_FIGURES run.
# Adding a figure: write a figure_NAME function that uses ratio_against_xmllint,
# or memory_limit and add its name to FIGURES (and LARGE_FIGURES).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
contacts=${1:-100000}
build=${BUILD:-$root/build}
large=$([ "$contacts" -ge 1000000 ] && echo 1 || echo 0)
reps=${REPS:-$([ "$large" = 1 ] && echo 3 || echo 5)}
convert=$build/brenmoor-convert
books=${BOOKS:-$here/out}
book=$books/book-$contacts.dxl
mkdir -p "$books"

if [ ! -s "$book" ]; then
  if [ -e "$book.part" ]; then
    echo "$book.part exists: the book is being generated; run again when it is done" >&2
    exit 1
  fi
  echo "generating $book ..." >&2
  /usr/bin/python3 "$here/generate_book.py" "$contacts" "$book.part" && mv "$book.part" "$book"
fi
[ -x "$convert" ] || { echo "no $convert: build first (cmake --build $build)" >&2; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint missing: apt-get install libxml2-utils" >&2; exit 1; }

measure=$(mktemp)
trap 'rm -f "$measure"' EXIT

# The median wall-clock seconds of REPS runs of a command (its output discarded);
# "failed" where a run fails, so that no figure is made of a command that did not work.
median_seconds() {
  local times=()
  for ((i = 0; i < reps; i++)); do
    /usr/bin/time -o "$measure" -f '%e' "$@" >/dev/null 2>&1 || { echo failed; return; }
    times+=("$(tail -1 "$measure")")
  done
  median_of "${times[@]}"
}

# The median of the numbers given.
median_of() {
  printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'
}

# The largest resident set of one run of a command, in KiB; "failed" where it fails.
peak_kib() {
  /usr/bin/time -o "$measure" -f '%M' "$@" >/dev/null 2>&1 || { echo failed; return; }
  tail -1 "$measure"
}

# xmllint is timed again beside each figure, so both see the machine in the same state.
xmllint_seconds() { median_seconds xmllint --stream --noout "$book"; }

# ratio_against_xmllint NAME LIMIT COMMAND...: prints NAME's ratio and whether it keeps LIMIT.
ratio_against_xmllint() {
  local name=$1 limit=$2; shift 2
  local base mine
  base=$(xmllint_seconds)
  mine=$(median_seconds "$@")
  if [ "$mine" = failed ] || [ "$base" = failed ]; then
    printf '%-12s FAILED: %s\n' "$name" "$([ "$mine" = failed ] && echo "$*" || echo xmllint) exited with an error"
    return
  fi
  awk -v n="$name" -v m="$mine" -v b="$base" -v l="$limit" -v r="$reps" 'BEGIN {
    ratio = (b > 0) ? m / b : 0
    printf "%-12s %6.3f x xmllint  (limit %s; median of %d: %.2f s vs %.2f s)%s\n", n, ratio, l, r, m, b,
           (ratio <= l) ? "" : "  OVER"
  }'
}

# memory_limit NAME LIMIT_MIB COMMAND...: the peak resident set against a fixed limit,
# whatever the size of the book.
memory_limit() {
  local name=$1 limit=$2; shift 2
  local kib
  kib=$(peak_kib "$@")
  if [ "$kib" = failed ]; then
    printf '%-12s FAILED: %s exited with an error\n' "$name" "$*"
    return
  fi
  awk -v n="$name" -v k="$kib" -v l="$limit" 'BEGIN {
    printf "%-12s %6.1f MiB  (limit %d MiB)%s\n", n, k / 1024, l, (k <= l * 1024) ? "" : "  OVER"
  }'
}

figure_list() { ratio_against_xmllint list 0.6 "$convert" list "$book"; }
# show reads the whole book before it shows a contact (a book list rejects, it rejects),
# so it costs what list costs.
figure_show_last() { ratio_against_xmllint "show last" 0.6 "$convert" show "$book" "$contacts"; }
figure_memory() {
  memory_limit "list memory" 96 "$convert" list "$book"
  memory_limit "show memory" 96 "$convert" show "$book" "$contacts"
}
figure_scan() {
  if [ -x "$build/brenmoor-bench-scan" ]; then
    ratio_against_xmllint scan 1.5 "$build/brenmoor-bench-scan" "$book"
  else
    echo "scan         (no $build/brenmoor-bench-scan)"
  fi
}
figure_scan_memory() {
  if [ -x "$build/brenmoor-bench-scan" ]; then
    memory_limit "scan memory" 96 "$build/brenmoor-bench-scan" "$book"
  else
    echo "scan memory  (no $build/brenmoor-bench-scan)"
  fi
}
# A click on a contact after a scan: the slowest of 25 clicks spread over the book,
# timed inside the program (its scan is not timed), against xmllint on the whole book.
figure_click() {
  if [ ! -x "$build/brenmoor-bench-click" ]; then
    echo "click        (no $build/brenmoor-bench-click)"
    return
  fi
  local base report
  base=$(xmllint_seconds)
  report=$("$build/brenmoor-bench-click" "$book" 2>/dev/null) || { echo "click        FAILED: $report"; return; }
  awk -v b="$base" -v r="$report" 'BEGIN {
    split(r, f, " ")  # clicks N contacts N median S slowest S
    ratio = (b > 0) ? f[8] / b : 0
    printf "%-12s %6.4f x xmllint  (limit 0.01; slowest of %d clicks: %.4f s, median %.4f s, vs %.2f s)%s\n",
           "click", ratio, f[2], f[8], f[6], b, (ratio <= 0.01) ? "" : "  OVER"
  }'
}

# The exports, each into a fresh folder of its own that is removed afterwards.
# Before each, the previous figure's files are gone and written back (sync), so that one
# export is not timed against the disk still busy with another's output.
export_ratio() {
  local format=$1 limit=$2 out
  out=$(mktemp -d)
  sync
  ratio_against_xmllint "export $format" "$limit" "$convert" export "$format" "$book" "$out"
  rm -rf "$out"
  sync
}
figure_export_csv() { export_ratio csv 0.7; }
figure_export_vcard() { export_ratio vcard 0.7; }
# The text and HTML exports write a file per contact: there the disk sets the pace, so
# each is timed against copying its own output folder with tar, both synced, in turns.
# Nothing is deleted until the figure is done, and it starts a minute after the last
# deletion: ext4 passes over inodes freed in the last minute when it allocates new ones,
# which would slow whichever command came first after a deletion.
copy_ratio() {
  local format=$1 limit=$2 base out copy i mine=() theirs=()
  base=$(mktemp -d)
  sync
  sleep 61
  for ((i = 0; i < reps; i++)); do
    out=$base/out$i
    copy=$base/copy$i
    mkdir -p "$out" "$copy"
    sync
    if ! /usr/bin/time -o "$measure" -f '%e' sh -c '"$1" export "$2" "$3" "$4" >/dev/null 2>&1 && sync' \
      sh "$convert" "$format" "$book" "$out"; then
      rm -rf "$base"
      echo "export $format FAILED: $convert export $format exited with an error"
      return
    fi
    mine+=("$(tail -1 "$measure")")
    /usr/bin/time -o "$measure" -f '%e' sh -c 'tar -C "$1" -cf - . | tar -C "$2" -xf - && sync' sh "$out" "$copy" || true
    theirs+=("$(tail -1 "$measure")")
  done
  rm -rf "$base"
  sync
  awk -v n="export $format" -v m="$(median_of "${mine[@]}")" -v b="$(median_of "${theirs[@]}")" \
      -v l="$limit" -v r="$reps" 'BEGIN {
    ratio = (b > 0) ? m / b : 0
    printf "%-12s %6.3f x tar copy of its output  (limit %s; median of %d: %.2f s vs %.2f s)%s\n", n, ratio, l, r, m, b,
           (ratio <= l) ? "" : "  OVER"
  }'
}
figure_export_txt() { copy_ratio txt 1.3; }
figure_export_html() { copy_ratio html 1.3; }
# At most 1.5 on the 100,000-contact book, 2.0 on the million-contact one.
figure_export_pst() { export_ratio pst "$([ "$contacts" -ge 1000000 ] && echo 2.0 || echo 1.5)"; }
# The PST store's own memory, apart from reading the book: the store library alone writes
# as many contacts, every field filled. Allowed: 96 MiB plus 64 bytes a contact.
figure_pst_store() {
  local out
  if [ ! -x "$build/brenmoor-bench-pst-store" ]; then
    echo "pst store    (no $build/brenmoor-bench-pst-store)"
    return
  fi
  out=$(mktemp -d)
  "$build/brenmoor-bench-pst-store" "$contacts" "$out" | tail -1 | sed 's/^/pst store    /'
  rm -rf "$out"
}
# The exports for importers, written from the contact model.
figure_export_vcard3() { export_ratio vcard3 1.0; }
figure_export_vcard4() { export_ratio vcard4 1.0; }
figure_export_ldif() { export_ratio ldif 1.0; }
figure_export_outlook_csv() { export_ratio outlook-csv 1.0; }
# vCard 3.0 shared out over files of 3,000 cards, against the unsplit export timed in
# turns with it in the same run: at most 1.05.
figure_export_split() {
  local out i whole=() split=()
  out=$(mktemp -d)
  for ((i = 0; i < reps; i++)); do
    sync
    /usr/bin/time -o "$measure" -f '%e' "$convert" export vcard3 "$book" "$out/whole" >/dev/null 2>&1 || whole+=(failed)
    whole+=("$(tail -1 "$measure")")
    sync
    /usr/bin/time -o "$measure" -f '%e' "$convert" export vcard3 "$book" "$out/split" --split 3000 >/dev/null 2>&1 ||
      split+=(failed)
    split+=("$(tail -1 "$measure")")
  done
  rm -rf "$out"
  if [[ " ${whole[*]} ${split[*]} " == *" failed "* ]]; then
    printf '%-12s FAILED: an export exited with an error\n' "split 3000"
    return
  fi
  awk -v m="$(median_of "${split[@]}")" -v b="$(median_of "${whole[@]}")" -v r="$reps" 'BEGIN {
    ratio = (b > 0) ? m / b : 0
    printf "%-12s %6.3f x unsplit vcard3  (limit 1.05; median of %d: %.2f s vs %.2f s)%s\n", "split 3000", ratio, r,
           m, b, (ratio <= 1.05) ? "" : "  OVER"
  }'
}
figure_export_memory() {
  local format out
  for format in csv vcard txt html pst vcard3 vcard4 ldif outlook-csv; do
    out=$(mktemp -d)
    if [ "$format" = pst ]; then
      memory_limit "$format memory" "$(pst_memory_limit)" "$convert" export "$format" "$book" "$out"
    else
      memory_limit "$format memory" 96 "$convert" export "$format" "$book" "$out"
    fi
    rm -rf "$out"
  done
}
# The PST store keeps its B-tree entries until the end: 96 MiB and 64 bytes a contact.
pst_memory_limit() { echo $((96 + contacts * 64 / 1048576)); }
figure_export_pst_memory() {
  local out
  out=$(mktemp -d)
  memory_limit "pst memory" "$(pst_memory_limit)" "$convert" export pst "$book" "$out"
  rm -rf "$out"
}
# From a million contacts on: the text exports' memory without writing a million files.
figure_export_csv_memory() {
  local out
  out=$(mktemp -d)
  memory_limit "csv memory" 96 "$convert" export csv "$book" "$out"
  rm -rf "$out"
}

# One huge value (HUGE_MIB, default 100, in a comment of contact 1001 of 2,000): the peak of
# every command and format against 96 MiB and twice the value, and against the same
# command on the book without it (the ratio: memory the value costs, in values).
huge_book() {
  local size=$1 path=$books/huge-$1.dxl
  if [ ! -s "$path" ]; then
    /usr/bin/python3 -c '
import sys
sys.path.insert(0, sys.argv[1])
import huge_value_memory_test as t
t.write_book(sys.argv[3], int(sys.argv[2]), "Comment")' "$root/tests/notes" "$size" "$path.part" ||
      { echo "the book $path could not be generated" >&2; return 1; }
    mv "$path.part" "$path"
  fi
  echo "$path"
}
figure_huge_value_memory() {
  local value_mib=${HUGE_MIB:-100} plain huge name limit base peak out
  plain=$(huge_book 10) || return 1
  huge=$(huge_book $((value_mib << 20))) || return 1
  limit=$((96 + 2 * value_mib))
  out=$(mktemp -d)
  while IFS='|' read -r name args; do
    rm -rf "$out"
    # shellcheck disable=SC2086
    base=$(peak_kib "$convert" ${args//BOOK/$plain})
    rm -rf "$out"
    # shellcheck disable=SC2086
    peak=$(peak_kib "$convert" ${args//BOOK/$huge})
    if [ "$base" = failed ] || [ "$peak" = failed ]; then
      printf '%-22s FAILED: brenmoor-convert %s exited with an error\n' "$name" "$args"
      continue
    fi
    awk -v n="$name" -v p="$peak" -v b="$base" -v v="$value_mib" -v l="$limit" 'BEGIN {
      printf "%-22s %6.1f MiB  %5.2f x the value more than without it  (limit %d MiB)%s\n", n, p / 1024,
             (p - b) / 1024 / v, l, (p <= l * 1024) ? "" : "  OVER"
    }'
  done <<EOF2
huge list|list BOOK
huge show|show BOOK 1001
huge show neighbour|show BOOK 1002
huge csv|export csv BOOK $out
huge txt|export txt BOOK $out
huge html|export html BOOK $out
huge vcard|export vcard BOOK $out
huge pst|export pst BOOK $out
huge vcard3|export vcard3 BOOK $out
huge vcard4|export vcard4 BOOK $out
huge ldif|export ldif BOOK $out
huge outlook-csv|export outlook-csv BOOK $out
EOF2
  rm -rf "$out"
}

# Mailing lists (tests/notes/groups_memory_test.py's books): 100,000 lists of two, one
# list of 100,020 members, a 10,000-deep nesting; each command's peak against 96 MiB and
# twice the book's largest value.
figure_groups_memory() {
  local shape path largest limit out name args kib
  out=$(mktemp -d)
  for shape in many wide deep; do
    path=$books/groups-$shape.dxl
    largest=$(/usr/bin/python3 -c '
import sys
sys.path.insert(0, sys.argv[1])
import groups_memory_test as t
print(t.write_book(sys.argv[3], sys.argv[2]))' "$root/tests/notes" "$shape" "$path") || { echo "groups $shape FAILED: no book"; continue; }
    limit=$((96 + 2 * largest / 1048576))
    for name in groups pst ldif vcard3 vcard4; do
      rm -rf "$out" && mkdir -p "$out"
      if [ "$name" = groups ]; then args=(groups "$path"); else args=(export "$name" "$path" "$out"); fi
      memory_limit "$shape $name" "$limit" "$convert" "${args[@]}"
    done
    rm -f "$path"
  done
  rm -rf "$out"
}

FIGURES=(list show_last memory scan scan_memory click)
FIGURES+=(export_csv export_vcard export_txt export_html export_pst export_memory pst_store)
FIGURES+=(export_vcard3 export_vcard4 export_ldif export_outlook_csv export_split huge_value_memory groups_memory)
LARGE_FIGURES=(list memory scan_memory click export_csv export_csv_memory export_pst export_pst_memory pst_store)
[ "$large" = 1 ] && FIGURES=("${LARGE_FIGURES[@]}")
# ONLY="export_html export_pst" bench/run.sh: just those figures.
[ -n "${ONLY:-}" ] && read -ra FIGURES <<< "$ONLY"
echo "book: $book ($(stat -c %s "$book") bytes, $contacts contacts)"
for figure in "${FIGURES[@]}"; do "figure_$figure"; done
