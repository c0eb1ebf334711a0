#!/bin/bash
# Converts the books of a list in 4 shares with GNU parallel, on this machine (or on
# others: add --sshlogin), then joins the shares' reports into OUT/brenmoor-report-all.csv.
# Run it again after a failure or a kill: --resume-failed runs again only the shares that
# did not end well, and --skip-done leaves out the books they had done.
#   brenmoor-parallel.sh              (LIST, OUT and FORMATS may be set in the environment)
# Its exit status is that of the merge: the worst status of all books.
LIST=${LIST:-books.txt}
OUT=${OUT:-out}
FORMATS=${FORMATS:-pst}
mkdir -p "$OUT"
parallel --will-cite --joblog "$OUT/brenmoor-parallel.log" --resume-failed -j 4 \
  brenmoor-convert export -j 1 --skip-done --shard {}/4 "$FORMATS" --from "$LIST" "$OUT" ::: 1 2 3 4
brenmoor-convert report merge --from "$LIST" "$OUT"/brenmoor-report-shard-{1,2,3,4}-of-4.csv \
  >"$OUT/brenmoor-report-all.csv"
