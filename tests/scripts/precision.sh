#!/usr/bin/env bash
# Coordinate files written with more decimals: the same water box with positions of 3, 4 and
# 5 decimals (velocities one more) must select the same atoms, and result.gro must give
# back each selected atom line exactly as the input wrote it. A first atom line whose
# decimal points are not evenly spaced keeps the standard layout.
# Usage: precision.sh GRO_REGION SOURCE_DIR
set -euo pipefail

tool=$(realpath "$1")
source_dir=$(realpath "$2")
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

# 1000 waters on a grid of side 3.1 nm; every position has three decimals, every velocity
# four, so each wider file holds exactly the same numbers.
bash "$source_dir/examples/make_examples.sh" --waters 1000 --output "$scratch/d3.gro"

# rewrite DECIMALS IN OUT: positions in fields of DECIMALS+5 columns, velocities with one
# decimal more in as many columns; title, count and box line unchanged.
rewrite() {
  awk -v n="$1" 'NR <= 2 || length($0) < 44 { print; next }
    {
      w = n + 5
      printf "%s%*.*f%*.*f%*.*f%*.*f%*.*f%*.*f\n", substr($0, 1, 20),
        w, n, substr($0, 21, 8), w, n, substr($0, 29, 8), w, n, substr($0, 37, 8),
        w, n + 1, substr($0, 45, 8), w, n + 1, substr($0, 53, 8), w, n + 1, substr($0, 61, 8)
    }' "$2" >"$3"
}
rewrite 4 "$scratch/d3.gro" "$scratch/d4.gro"
rewrite 5 "$scratch/d3.gro" "$scratch/d5.gro"
[ "$(sed -n 3p "$scratch/d5.gro")" = \
  "    1SOL     OW    1   0.13500   0.13500   0.13500 -0.336600 -0.265000 -0.193400" ] ||
  fail "generator: first atom line of the five-decimal file is '$(sed -n 3p "$scratch/d5.gro")'"

run_tool() {  # run_tool NAME: whole waters in a ball of 1.2 nm around (1.5, 1.5, 1.5)
  mkdir -p "$scratch/$1"
  (cd "$scratch/$1" &&
    printf '%s\n' "'$scratch/$1.gro'" 2 "1.5,1.5,1.5,1.2" yes OW SOL "" |
    FOR_DISABLE_STACK_TRACE=1 "$tool" >stdout 2>stderr) ||
    fail "gro-region exited with $? on $1: $(cat "$scratch/$1/stderr")"
}

for n in 3 4 5; do
  name=d$n
  run_tool "$name"
  dir=$scratch/$name
  selected=$(($(wc -l <"$dir/result.gro") - 3))
  [ "$selected" -gt 100 ] || fail "$name: only $selected atoms selected"
  # Every atom line of result.gro is the input line of its atom (atom number n is on line
  # n + 2), whatever the precision.
  if ! sed -n "3,$((selected + 2))p" "$dir/result.gro" | tr -d '\r' |
    awk 'NR == FNR { if (FNR > 2) input[FNR - 2] = $0; next }
      $0 != input[substr($0, 16, 5) + 0] { print "  " $0; bad = 1 } END { exit bad }' \
      "$scratch/$name.gro" -; then
    fail "$name: result.gro atom lines differ from the input's (above)"
  fi
  if [ "$n" != 3 ]; then
    for file in stdout list.ndx residue.txt; do
      cmp -s "$dir/$file" "$scratch/d3/$file" || fail "$name: $file differs from the three-decimal run"
    done
    # Region line, count line and last line: as for three decimals.
    cmp -s <(sed -n '1,2p;$p' "$dir/result.gro") <(sed -n '1,2p;$p' "$scratch/d3/result.gro") ||
      fail "$name: result.gro's other lines differ from the three-decimal run"
  fi
done

# Checked by a real client: gmx select on the five-decimal file names the same atoms.
if command -v gmx >/dev/null 2>&1; then
  (cd "$scratch" && GMX_MAXBACKUP=-1 gmx -quiet select -f d5.gro -s d5.gro \
    -select "same residue as (name OW and resname SOL and within 1.2 of [1.5, 1.5, 1.5])" \
    -on ref.ndx >gmx.log 2>&1) || fail "gmx select failed: $(tail -5 "$scratch/gmx.log")"
  ours=$(tail -n +2 "$scratch/d5/list.ndx" | tr -d '\r' | xargs)
  theirs=$(grep -v '^\[' "$scratch/ref.ndx" | xargs)
  [ "$ours" = "$theirs" ] || fail "gmx select names '$theirs', list.ndx '$ours'"
else
  echo "gmx not installed: the gmx select comparison is skipped"
fi

# An unusual first atom line, its points 6 and 10 columns apart (y written with five
# decimals in its eight columns): the standard layout, and the same selection as before.
awk 'NR == 3 { $0 = substr($0, 1, 28) sprintf("%8.5f", substr($0, 29, 8)) substr($0, 37) } 1' \
  "$scratch/d3.gro" >"$scratch/uneven.gro"
[ "$(sed -n 3p "$scratch/uneven.gro" | cut -c21-44)" = "   0.135 0.13500   0.135" ] ||
  fail "generator: uneven first line '$(sed -n 3p "$scratch/uneven.gro")'"
run_tool uneven
for file in stdout list.ndx residue.txt result.gro; do
  cmp -s "$scratch/uneven/$file" "$scratch/d3/$file" || fail "uneven: $file differs from the standard run"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "coordinate precision: all checks passed"
