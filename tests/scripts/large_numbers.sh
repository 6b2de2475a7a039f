#!/usr/bin/env bash
# Systems of more than 99999 atoms: the five-column atom and residue numbers wrap, and the
# tool must name true atoms and residues in list.ndx, residue.txt and the counts while the
# atom lines of result.gro keep the wrapped numbers. Also: a small file whose numbers drop
# is never unwrapped. Expected numbers come from line positions in the generated file.
# Usage: large_numbers.sh GRO_REGION SOURCE_DIR
set -euo pipefail

tool=$(realpath "$1")
source_dir=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

expect_file() {  # expect_file NAME EXPECTED-BYTES
  if ! cmp -s "$1" <(printf '%s' "$2"); then
    fail "$1 differs"
    echo "--- expected"; printf '%s' "$2" | od -c | head -20
    echo "--- actual"; od -c "$1" 2>&1 | head -20 || true
  fi
}

# 300 005 atoms: 100 001 whole waters and two atoms of a last one, numbered as GROMACS
# numbers them (modulo 100000 in five columns), the count written in full.
big=$scratch/big.gro
bash "$source_dir/examples/make_examples.sh" --waters 100002 --output "$scratch/full.gro"
{
  echo "300005 atoms, numbers wrapped"
  echo "300005"
  sed -n '3,300007p' "$scratch/full.gro"
  tail -n 1 "$scratch/full.gro"
} >"$big"

# Atom 300001 (file line 300003) is the oxygen of residue 100001: its five-column residue
# and atom numbers are both 1, as are those of residue 1 and atom 1 at the top of the file.
line=$(sed -n '300003p' "$big")
[ "${line:0:5}" = "    1" ] || fail "generator: residue field of atom 300001 is '${line:0:5}'"
[ "${line:15:5}" = "    1" ] || fail "generator: atom field of atom 300001 is '${line:15:5}'"
[ "${line:10:5}" = "   OW" ] || fail "generator: atom 300001 is not an oxygen: '${line:10:5}'"
x=${line:20:8}; y=${line:28:8}; z=${line:36:8}
centre="${x// /},${y// /},${z// /}"

# File names holding a slash are typed between apostrophes: a slash ends an unquoted answer.
run_tool() {  # run_tool DIR ANSWERS...
  local dir=$1
  shift
  mkdir -p "$dir"
  (cd "$dir" && printf '%s\n' "$@" | FOR_DISABLE_STACK_TRACE=1 "$tool" >stdout 2>stderr) ||
    fail "gro-region exited with $? in $dir: $(cat "$dir/stderr")"
}

# A ball of 0.05 nm around that oxygen holds it alone; "yes" widens it to its residue.
run_tool "$scratch/yes" "'$big'" 2 "$centre,0.05" yes OW SOL ""
cd "$scratch/yes"
grep -q "The number of atoms correspond condition is:            3" stdout ||
  fail "printed atom count: $(grep 'atoms correspond' stdout)"
grep -q "The number of residue correspond condition is:            1" stdout ||
  fail "printed residue count: $(grep 'residue correspond' stdout)"
expect_file list.ndx $' [selected-atoms]\r\n 300001 300002 300003\r\n'
expect_file residue.txt $'100001\r\n'
# result.gro: region line, count line "(I5)", the three atom lines as read (wrapped
# numbers, values rewritten in their fields), the last line.
mapfile -t result <result.gro
[ "${#result[@]}" -eq 6 ] || fail "result.gro has ${#result[@]} lines"
[ "${result[1]}" = $'    3\r' ] || fail "count line '${result[1]}'"
for i in 0 1 2; do
  want=$(sed -n "$((300003 + i))p" "$big")
  [ "${result[$((2 + i))]}" = "$want"$'\r' ] || fail "atom line $i: '${result[$((2 + i))]}' vs '$want'"
done
cd - >/dev/null

# The same region by name with "no": residue 1 and atom 1 at the top stay out.
run_tool "$scratch/no" "'$big'" 2 "$centre,0.05" no OW SOL ""
expect_file "$scratch/no/list.ndx" $' [selected-atoms]\r\n 300001\r\n'

# A box around the top of the file and the wrap at atom 100000: true atom numbers past
# 99999 get a seventh column so that numbers never touch.
run_tool "$scratch/wrap" "'$big'" 1 "-99,99,-99,99,-99,99" no any any ""
mapfile -t rows <"$scratch/wrap/list.ndx"
[ "${#rows[@]}" -eq 30002 ] || fail "list.ndx of every atom has ${#rows[@]} lines"
[ "${rows[1]}" = $'     1     2     3     4     5     6     7     8     9    10\r' ] ||
  fail "first index row '${rows[1]}'"
[ "${rows[10000]}" = $' 99991 99992 99993 99994 99995 99996 99997 99998 99999 100000\r' ] ||
  fail "index row around the wrap '${rows[10000]}'"
[ "${rows[30001]}" = $' 300001 300002 300003 300004 300005\r' ] || fail "last index row '${rows[30001]}'"

# Checked by a real client: gmx select on the same region names the same atoms.
if command -v gmx >/dev/null 2>&1; then
  (cd "$scratch" && GMX_MAXBACKUP=-1 gmx -quiet select -f "$big" -s "$big" \
    -select "same residue as (name OW and resname SOL and within 0.05 of [${centre}])" \
    -on ref.ndx >gmx.log 2>&1) || fail "gmx select failed: $(tail -5 "$scratch/gmx.log")"
  ours=$(tail -n +2 "$scratch/yes/list.ndx" | tr -d '\r' | xargs)
  theirs=$(grep -v '^\[' "$scratch/ref.ndx" | xargs)
  [ "$ours" = "$theirs" ] || fail "gmx select names '$theirs', list.ndx '$ours'"
else
  echo "gmx not installed: the gmx select comparison is skipped"
fi

# At most 99999 atoms: numbers that drop (a reordered file) are taken as they stand.
small=$scratch/small.gro
printf 'reordered\n    4\n%s\n%s\n%s\n%s\n   1.00000   1.00000   1.00000\n' \
  "    7SOL     OW    9   0.100   0.100   0.100" \
  "    7SOL    HW1    8   0.900   0.900   0.900" \
  "    2SOL     OW    1   0.200   0.200   0.200" \
  "    2SOL    HW1    2   0.800   0.800   0.800" >"$small"
run_tool "$scratch/small" "'$small'" 1 "0,0.5,0,0.5,0,0.5" yes OW SOL ""
expect_file "$scratch/small/list.ndx" $' [selected-atoms]\r\n     9     8     1     2\r\n'
expect_file "$scratch/small/residue.txt" $'     7\r\n     2\r\n'

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "large system numbers: all checks passed"
