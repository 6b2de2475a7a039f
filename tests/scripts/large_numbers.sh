#!/usr/bin/env bash
# Systems of more than 99999 atoms: the five-column atom and residue numbers wrap, and the
# tool must name true atoms and residues in list.ndx, residue.txt and the counts while the
# atom lines of result.gro keep the wrapped numbers. Only a fall of more than 50000 is a
# wrap: a chain numbered from 1 again and a damaged line are taken as written. The same rule
# holds in a small file cut out of the large one; a small file whose numbers drop by less is
# taken as written. Expected numbers come from line positions in the generated file.
# Usage: large_numbers.sh GRO_REGION SOURCE_DIR
set -euo pipefail

tool=$(realpath "$1")
source_dir=$(realpath "$2")
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

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

# Only a fall of more than 50000 is a wrap. A damaged (empty) line in place of atom 103387
# reads as atom 0 of residue 0; the atoms after it keep their true numbers.
damaged=$scratch/damaged.gro
sed '103389s/.*//' "$big" >"$damaged"
[ -z "$(sed -n '103389p' "$damaged")" ] || fail "generator: line 103389 is not empty"
run_tool "$scratch/damaged" "'$damaged'" 2 "$centre,0.05" yes OW SOL ""
expect_file "$scratch/damaged/list.ndx" $' [selected-atoms]\r\n 300001 300002 300003\r\n'
expect_file "$scratch/damaged/residue.txt" $'100001\r\n'

# Two chains of 300 ALA residues (N, CA, C, O), each numbered from 1 as pdb2gmx keeps them,
# then waters numbered on from residue 301. Every protein atom lies on a line at z = 1,
# except the CA of residues 5 and 15 of the second chain, which a ball of 0.2 nm around
# (6, 6, 6.15) holds alone.
two_chains() {  # two_chains WATERS FILE
  awk -v waters="$1" 'BEGIN {
    total = 2400 + 3 * waters
    print "two chains in water"
    print total
    n = 0
    split("N CA C O", names, " ")
    for (chain = 0; chain < 2; chain++)
      for (r = 1; r <= 300; r++)
        for (k = 1; k <= 4; k++) {
          n++
          x = 1 + 3 * chain + 0.1 * k; y = 1 + 0.01 * r; z = 1
          if (chain == 1 && k == 2 && (r == 5 || r == 15)) { x = 6; y = 6; z = (r == 5 ? 6 : 6.3) }
          printf "%5d%-5s%5s%5d%8.3f%8.3f%8.3f\n", r, "ALA", names[k], n % 100000, x, y, z
        }
    for (w = 0; w < waters; w++) {
      split("OW HW1 HW2", wn, " ")
      for (k = 1; k <= 3; k++) {
        n++
        printf "%5d%-5s%5s%5d%8.3f%8.3f%8.3f\n", (301 + w) % 100000, "SOL", wn[k], n % 100000,
          0.03 * (w % 100), 0.03 * (int(w / 100) % 100), 3 + 0.01 * k
      }
    }
    print "  10.00000  10.00000  10.00000"
  }' >"$2"
}
two_chains 34000 "$scratch/chains_big.gro"   # 104 400 atoms: the atom numbers wrap once
two_chains 1000 "$scratch/chains_small.gro"  # 5 400 atoms
[ "$(sed -n '100002p' "$scratch/chains_big.gro" | cut -c16-20)" = "    0" ] ||
  fail "generator: atom 100000 is not written as 0"
for size in big small; do
  run_tool "$scratch/chains_$size" "'$scratch/chains_$size.gro'" 2 "6,6,6.15,0.2" yes CA ALA ""
done
# Residues 5 and 15 of both chains: atoms 17-20 and 57-60 of the first, 1217-1220 and
# 1257-1260 of the second (residue r of chain c holds atoms 1200c + 4(r-1) + 1..4).
expect_file "$scratch/chains_big/residue.txt" $'     5\r\n    15\r\n'
expect_file "$scratch/chains_big/list.ndx" $' [selected-atoms]\r\n    17    18    19    20    57    58    59    60  1217  1218\r\n  1219  1220  1257  1258  1259  1260\r\n'
grep -q "The number of atoms correspond condition is:           16" "$scratch/chains_big/stdout" ||
  fail "two chains: printed atom count: $(grep 'atoms correspond' "$scratch/chains_big/stdout")"
# The same system below 100 000 atoms gives the same three files, byte for byte.
for file in result.gro list.ndx residue.txt; do
  cmp -s "$scratch/chains_big/$file" "$scratch/chains_small/$file" ||
    fail "two chains: $file differs between 104 400 and 5 400 atoms"
done

# A region cut out of the large system keeps its numbers, wraps included, however few atoms
# it holds. Windows of whole residues of big.gro, each less than 50000 atoms past the one
# before: atom numbers wrap inside the fourth and fifth, residue numbers inside the fifth.
cut=$scratch/cut.gro
windows=(1-15 99991-100011 149998-150003 199996-200004 299992-300003)
{
  echo "windows of the large system"
  for w in "${windows[@]}"; do seq "${w%-*}" "${w#*-}"; done | wc -l
  for w in "${windows[@]}"; do sed -n "$((${w%-*} + 2)),$((${w#*-} + 2))p" "$big"; done
  tail -n 1 "$big"
} >"$cut"
# Every atom, as the true numbers of the large file (its line positions) give them: at least
# six columns and one more than the digits; residues as the runs of three atoms give them.
true_atoms=$(for w in "${windows[@]}"; do seq "${w%-*}" "${w#*-}"; done)
ndx_of() {  # ndx_of NUMBERS...: the list.ndx text of these numbers in the wide layout
  printf ' [selected-atoms]\r\n'
  printf '%s\n' "$@" | awk '{ printf (length($1) < 6 ? "%6d" : " %d"), $1 }
                            NR % 10 == 0 { printf "\r\n" } END { if (NR % 10) printf "\r\n" }'
}
# shellcheck disable=SC2086
expected_ndx=$(ndx_of $true_atoms; echo .)
expected_residues=$(for a in $true_atoms; do echo $(((a + 2) / 3)); done | uniq |
  awk '{ printf "%6d\r\n", $1 }'; echo .)
# Both doors, the same answers: the whole system, whole residues.
run_tool "$scratch/cut_dialogue" "'$cut'" 1 "-99,99,-99,99,-99,99" yes any any ""
"$tool" "$cut" --box -99,99,-99,99,-99,99 --whole-residues --output-dir "$scratch/cut_line" \
  --quiet || fail "command line on the cut file: status $?"
for door in cut_dialogue cut_line; do
  expect_file "$scratch/$door/list.ndx" "${expected_ndx%.}"
  expect_file "$scratch/$door/residue.txt" "${expected_residues%.}"
  # The count line of "yes" is as a large file has it; the atom lines keep five columns.
  [ "$(sed -n 2p "$scratch/$door/result.gro")" = $'   63\r' ] ||
    fail "$door: count line '$(sed -n 2p "$scratch/$door/result.gro")'"
  cmp -s <(tail -n +3 "$cut" | head -n 63) <(sed -n '3,65p' "$scratch/$door/result.gro" | tr -d '\r') ||
    fail "$door: atom lines of result.gro differ from the cut file's"
done
for file in result.gro list.ndx residue.txt; do
  cmp -s "$scratch/cut_dialogue/$file" "$scratch/cut_line/$file" || fail "cut file: $file differs between the doors"
done
# Residue 1 and residue 100001 (both written 1) are two residues: the ball around the oxygen
# of residue 100001 takes its three atoms only, as in the large file.
"$tool" "$cut" --ball "$centre,0.05" --atom OW --residue SOL --whole-residues \
  --output-dir "$scratch/cut_ball" --quiet || fail "ball on the cut file: status $?"
expect_file "$scratch/cut_ball/list.ndx" $' [selected-atoms]\r\n 300001 300002 300003\r\n'
expect_file "$scratch/cut_ball/residue.txt" $'100001\r\n'

# A file the tool cut from the large one reads back to the same selection: a slab one grid
# site thick in x holds a water from every 47th residue, so its numbers wrap several times.
"$tool" "$big" --box 0,0.3,-99,99,-99,99 --whole-residues --output-dir "$scratch/slab" --quiet ||
  fail "slab of the large file: status $?"
"$tool" "$scratch/slab/result.gro" --box 0,0.3,-99,99,-99,99 --whole-residues \
  --output-dir "$scratch/slab_again" --quiet || fail "slab read back: status $?"
for file in list.ndx residue.txt; do
  cmp -s "$scratch/slab/$file" "$scratch/slab_again/$file" || fail "slab read back: $file differs"
done
[ "$(grep -c . "$scratch/slab/residue.txt")" -gt 2000 ] || fail "slab: too few residues"

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
