#!/usr/bin/env bash
# A 200 001-atom water box whose count line takes six columns, read and rewritten end to end:
# for "no" and "yes" the printed count, the count line of result.gro, its atom lines and the
# entries of list.ndx agree with each other and with a selection worked out here with awk
# from the input's columns; every atom line written is byte for byte the input line it came
# from (the input is written as GROMACS writes it, so reading and rewriting change nothing).
# Usage: large_file.sh GRO_REGION SOURCE_DIR
set -euo pipefail

tool=$(realpath "$1")
source_dir=$(realpath "$2")
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

input=$scratch/box.gro
bash "$source_dir/examples/make_examples.sh" --waters 66667 --output "$input"
[ "$(sed -n 2p "$input")" = "200001" ] || fail "generator: count line is '$(sed -n 2p "$input")'"

# The box edge from the last line; the region is 0 < x < a tenth of it, cut to three
# decimals plus 0.0005 so that no coordinate of the file lies on its edge.
edge=$(tail -n 1 "$input" | awk '{ print $1 }')
xmax=$(awk -v l="$edge" 'BEGIN { printf "%.4f", int(l * 100) / 1000 + 0.0005 }')

# The expected selection, from the columns: residue name 6-10, atom name 11-15, x 21-28.
# Prints one line per selected atom: its position in the file (its true atom number) and
# its residue's position among the residues (its true residue number).
awk -v xmax="$xmax" '
  function trim(s) { gsub(/ /, "", s); return s }
  NR == 2 { count = $1 + 0 }
  NR > 2 && NR <= count + 2 {
    atom = NR - 2
    key = substr($0, 1, 10)
    if (key != previous) { residue++; previous = key }
    x = substr($0, 21, 8) + 0
    if (trim(substr($0, 11, 5)) == "OW" && trim(substr($0, 6, 5)) == "SOL" && x > 0 && x < xmax)
      print atom, residue
  }' "$input" >"$scratch/expected-no"
# With whole residues: every atom of a residue that holds a selected atom.
awk 'NR == FNR { wanted[$2] = 1; next }
     FNR == 2 { count = $1 + 0 }
     FNR > 2 && FNR <= count + 2 {
       key = substr($0, 1, 10)
       if (key != previous) { residue++; previous = key }
       if (residue in wanted) print FNR - 2, residue
     }' "$scratch/expected-no" "$input" >"$scratch/expected-yes"
[ -s "$scratch/expected-no" ] || fail "the region selects nothing"

check_run() {  # check_run ANSWER
  local answer=$1 dir=$scratch/$1 expected=$scratch/expected-$1
  mkdir -p "$dir"
  ln -s "$input" "$dir/box.gro"
  if ! (cd "$dir" && printf '%s\n' box.gro 1 "0,$xmax,-99,99,-99,99" "$answer" OW SOL "" |
    FOR_DISABLE_STACK_TRACE=1 "$tool" >stdout 2>stderr); then
    fail "$answer: gro-region failed: $(cat "$dir/stderr")"
    return
  fi
  local want printed counted lines entries
  want=$(wc -l <"$expected")
  printed=$(tr -d '\r' <"$dir/stdout" | awk '/The number of atoms correspond condition is:/ { print $NF }')
  counted=$(sed -n 2p "$dir/result.gro" | tr -d '\r ')
  lines=$(($(wc -l <"$dir/result.gro") - 3))
  entries=$(tail -n +2 "$dir/list.ndx" | wc -w)
  [ "$printed" = "$want" ] || fail "$answer: printed count $printed, expected $want"
  [ "$counted" = "$want" ] || fail "$answer: count line '$counted', expected $want"
  [ "$lines" = "$want" ] || fail "$answer: $lines atom lines in result.gro, expected $want"
  [ "$entries" = "$want" ] || fail "$answer: $entries entries in list.ndx, expected $want"
  # The count lines as laid out: free-form (12 columns) after "no", at least five columns
  # after "yes".
  local count_line
  count_line=$(sed -n 2p "$dir/result.gro")
  if [ "$answer" = no ]; then
    [ "$count_line" = "$(printf '%12d\r' "$want")" ] || fail "no: count line '$count_line'"
  else
    [ "$count_line" = "$(printf '%5d\r' "$want")" ] || fail "yes: count line '$count_line'"
  fi
  # list.ndx holds the true atom numbers in file order; result.gro the input lines.
  tail -n +2 "$dir/list.ndx" | tr -d '\r' | tr -s ' ' '\n' | sed '/^$/d' >"$dir/numbers"
  cut -d' ' -f1 "$expected" | cmp -s - "$dir/numbers" || fail "$answer: list.ndx numbers differ"
  awk 'NR == FNR { line[$1 + 2] = 1; next } FNR in line' "$expected" "$input" >"$dir/input-lines"
  sed -n "3,$((want + 2))p" "$dir/result.gro" | tr -d '\r' | cmp -s - "$dir/input-lines" ||
    fail "$answer: atom lines of result.gro differ from the input lines"
  # Every line of list.ndx but the last holds ten numbers.
  if tail -n +2 "$dir/list.ndx" | head -n -1 | awk '{ if (NF != 10) bad = 1 } END { exit !bad }'; then
    fail "$answer: a full line of list.ndx does not hold ten numbers"
  fi
}

check_run no
check_run yes
[ "$(wc -l <"$scratch/expected-yes")" -gt "$(wc -l <"$scratch/expected-no")" ] ||
  fail "whole residues add no atoms"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "large_file: $(wc -l <"$scratch/expected-no") atoms (no), $(wc -l <"$scratch/expected-yes") (yes) of 200001"
