#!/usr/bin/env bash
# brenmoor-convert list and show on the sample address book: output and exit statuses.
#   cli_test.sh BRENMOOR_CONVERT SAMPLE_BOOK
set -u
convert=$1
book=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# list: every contact in order, the display name exactly as the tree shows it.
"$convert" list "$book" >"$tmp/list" 2>"$tmp/err"; status=$?
[ $status -eq 0 ] || fail "list exits $status: $(cat "$tmp/err")"
printf '%s\n' \
  $'T_1\tAnn  Lee' $'T_2\tMary Ann J van Dyke' $'T_3\tJohn R Smith, Jr.' $'T_4\tZoë  Ångström' \
  $'T_5\tJosé M Núñez' $'T_6\tJürgen  Weiß' $'T_7\tŁucja  Wiśniewska' $'T_8\tHiroshi  田中' \
  $'T_9\tOkafor' $'T_10\tPriya  Raman' $'T_11\tTom  O\'Brien' $'T_12\tÉlodie  Lefèvre' \
  $'T_13\tSam T Carter' $'T_14\tOlivia  Brown' $'T_15\tMehmet  Yılmaz' $'T_16\tGrace  Nakamura-Hill' \
  $'T_17\tIvan  Petrov' $'T_18\tFatima  Zahra' $'T_19\tChen  Wei' $'T_20\tLiam P Murphy' \
  $'T_21\tAna  Silva' $'T_22\tNoah  Fischer' $'T_23\tAisha  Bello' $'T_24\tHenrik  Dahl' \
  $'T_25\tMaria L Rossi' >"$tmp/expected"
cmp -s "$tmp/list" "$tmp/expected" || fail "list output differs: $(diff "$tmp/expected" "$tmp/list")"

# show: the 48 catalogue items in order, values escaped onto one line.
"$convert" show "$book" 2 >"$tmp/show" 2>"$tmp/err"; status=$?
[ $status -eq 0 ] || fail "show exits $status: $(cat "$tmp/err")"
[ "$(wc -l <"$tmp/show")" -eq 48 ] || fail "show prints $(wc -l <"$tmp/show") lines, not 48"
[ "$(head -1 "$tmp/show")" = $'FirstName\tMary Ann' ] || fail "show's first line: $(head -1 "$tmp/show")"
[ "$(sed -n 3p "$tmp/show")" = $'LastName\tvan Dyke' ] || fail "show's third line: $(sed -n 3p "$tmp/show")"
grep -qxF $'Anniversary\t1996-06-21' "$tmp/show" || fail "show lacks the anniversary"
grep -qxF $'Comment\tMet at the trade fair in Utrecht.\\r\\nPrefers e-mail to phone calls.\\r\\nSpeaks Dutch, English and German.' "$tmp/show" \
  || fail "show's comment line: $(grep ^Comment "$tmp/show")"
[ "$(tail -1 "$tmp/show")" = $'Certificate\t' ] || fail "show's last line: $(tail -1 "$tmp/show")"
"$convert" show "$book" 10 | grep -qxF $'Categories\tSuppliers' || fail "show 10 lacks the first category"
"$convert" show "$book" 13 | grep -qxF $'FirstName\tSam' || fail "show 13 is not the contact after the group"

# A name holding line breaks or a TAB stays on its line in list, escaped as show escapes.
printf '%s\n' "<?xml version='1.0'?>" "<database xmlns='http://www.lotus.com/dxl'>" \
  "<document form='Person'><item name='FirstName'><text>Ann&#13;&#10;T_2&#9;Forged\\</text></item></document>" \
  "<document form='Person'><item name='FirstName'><text>Bea</text></item></document></database>" >"$tmp/forged.dxl"
"$convert" list "$tmp/forged.dxl" >"$tmp/list" 2>"$tmp/err" || fail "list of names with line breaks: $(cat "$tmp/err")"
printf '%s\n' $'T_1\tAnn\\r\\nT_2\\tForged\\\\' $'T_2\tBea' >"$tmp/expected"
cmp -s "$tmp/list" "$tmp/expected" || fail "list lets a name break its line: $(diff "$tmp/expected" "$tmp/list")"
# A contact without name items is listed as the tree lists it: its company in brackets.
printf '%s\n' "<?xml version='1.0'?>" "<database xmlns='http://www.lotus.com/dxl'>" \
  "<document form='Person'><item name='CompanyName'><text>Acme</text></item></document></database>" >"$tmp/company.dxl"
[ "$("$convert" list "$tmp/company.dxl")" = $'T_1\t(Acme)' ] || fail "list of a company-only contact: $("$convert" list "$tmp/company.dxl")"
"$convert" show "$tmp/forged.dxl" 1 | grep -qxF $'FirstName\tAnn\\r\\nT_2\\tForged\\\\' || fail "show escapes otherwise than list"

# A declared attribute type that trims the form's spaces: list, show and export agree.
printf '%s\n' "<?xml version='1.0'?>" "<!DOCTYPE database [<!ATTLIST document form NMTOKEN #IMPLIED>]>" \
  "<database xmlns='http://www.lotus.com/dxl'>" \
  "<document form=' Person '><item name='FirstName'><text>Spaced</text></item></document>" \
  "<document form='Person'><item name='FirstName'><text>Plain</text></item></document></database>" >"$tmp/nmtoken.dxl"
[ "$("$convert" list "$tmp/nmtoken.dxl" | wc -l)" -eq 2 ] || fail "list of the NMTOKEN book: $("$convert" list "$tmp/nmtoken.dxl")"
"$convert" show "$tmp/nmtoken.dxl" 1 | grep -qxF $'FirstName\tSpaced' || fail "show 1 of the NMTOKEN book is not the first contact"
"$convert" show "$tmp/nmtoken.dxl" 2 | grep -qxF $'FirstName\tPlain' || fail "show 2 of the NMTOKEN book is not the second contact"

# A FIFO is refused at once (opening it must not wait for a writer that never comes).
mkfifo "$tmp/fifo.dxl"
timeout 10 "$convert" list "$tmp/fifo.dxl" >"$tmp/out" 2>"$tmp/err"; status=$?
[ $status -eq 1 ] || fail "list of a FIFO exits $status (124: it hung)"
grep -q "not a regular file" "$tmp/err" || fail "list of a FIFO says: $(cat "$tmp/err")"

# errors: status 1 with the file named; wrong usage: status 2; --help: status 0.
expect_status() {
  local want=$1; shift
  "$convert" "$@" >"$tmp/out" 2>"$tmp/err"; local got=$?
  [ $got -eq "$want" ] || fail "'$*' exits $got, not $want"
}
for n in 26 99999999999999999999; do
  expect_status 1 show "$book" $n
  grep -qF "contact number out of range: $n (the book has 25 contacts)" "$tmp/err" && grep -qF "$book" "$tmp/err" ||
    fail "show $n says: $(cat "$tmp/err")"
  [ -s "$tmp/out" ] && fail "show $n printed: $(cat "$tmp/out")"
done
expect_status 1 list "$tmp/missing.dxl"
grep -qF "$tmp/missing.dxl" "$tmp/err" || fail "list of a missing book says: $(cat "$tmp/err")"
# A malformed book: groups fails as list does, with the same message (a book cut short,
# and one whose count and walk meet different faults).
head -c 1500 "$(dirname "$0")/../data/groups_book.dxl" >"$tmp/cut.dxl"
printf '<?xml version="1.0"?>\n<database xmlns="http://www.lotus.com/dxl"><document form="Person"></document><document form="Person"><item name="x"></database>' >"$tmp/mismatched.dxl"
for malformed in cut mismatched; do
  expect_status 1 list "$tmp/$malformed.dxl"
  mv "$tmp/err" "$tmp/list-err"
  expect_status 1 groups "$tmp/$malformed.dxl"
  cmp -s "$tmp/err" "$tmp/list-err" || fail "groups of the $malformed book says: $(cat "$tmp/err")"
done
printf '\x1a\x00rest' >"$tmp/names.nsf"
expect_status 1 show "$tmp/names.nsf" 1
grep -q "DXL" "$tmp/err" || fail "show of an .nsf says: $(cat "$tmp/err")"
expect_status 2 show "$book" zero
expect_status 2 show "$book"
expect_status 2 list
expect_status 2 list ""
expect_status 2 show "" 1
expect_status 2 export csv "" "$tmp"
expect_status 2
expect_status 2 frobnicate "$book"
expect_status 2 show "$book" 1 --frobnicate
grep -q "unknown option: --frobnicate" "$tmp/err" || fail "an unknown option says: $(cat "$tmp/err")"
expect_status 0 show 1 "$book" -h
grep -q "^usage: brenmoor-convert show BOOK N" "$tmp/out" || fail "show -h says: $(cat "$tmp/out")"
expect_status 0 --version
grep -q "^brenmoor-convert [0-9]" "$tmp/out" || fail "--version says: $(cat "$tmp/out")"
expect_status 0 --help
grep -q "^formats: pst, csv, vcard, html, txt, vcard3, vcard4, ldif, outlook-csv, google-csv$" "$tmp/out" || fail "--help lacks the formats"
# Every command's description starts in one column.
columns=$(sed -n '/^commands:/,/^formats:/p' "$tmp/out" | grep '^  ' | awk '{ match(substr($0, 3), / {2,}[^ ]/); print RSTART + RLENGTH }' | sort -u)
[ "$(echo "$columns" | wc -l)" -eq 1 ] || fail "--help columns: $columns"

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
