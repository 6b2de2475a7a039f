#!/usr/bin/env bash
# --frames with GROMACS: an XTC trajectory streamed through gmx trjconv into a FIFO (the
# README's recipe) gives the counts of the same trajectory converted to a .gro file, and
# those counts are gmx select's (-os) on the XTC. Skipped where gmx is not installed.
#
# Usage: frames_gmx.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail
# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
if ! command -v gmx >/dev/null 2>&1; then
  echo "SKIP: gmx is not installed (apt-get install gromacs): the trjconv FIFO recipe is not checked"
  exit 77
fi
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"
cd "$scratch" || exit 1
export GMX_MAXBACKUP=-1

# Eight frames of the example water box, each moved 0.05 nm further along x.
water=$source_dir/examples/water.gro
for t in 0 1 2 3 4 5 6 7; do
  awk -v t="$t" 'NR == 1 { printf "water t= %d.00000 step= %d\n", t, t; next }
    NR == 2 { n = $1; print; next }
    NR <= n + 2 { printf "%s%8.3f%s\n", substr($0, 1, 20), substr($0, 21, 8) + 0.05 * t, substr($0, 29); next }
    { print }' "$water"
done >traj.gro
echo System | gmx -quiet trjconv -f traj.gro -s "$water" -o traj.xtc >convert.log 2>&1 ||
  { echo "gmx trjconv could not write an XTC: $(tail -3 convert.log)"; exit 1; }
echo System | gmx -quiet trjconv -f traj.xtc -s "$water" -o back.gro >back.log 2>&1 ||
  fail "gmx trjconv -o back.gro: $(tail -3 back.log)"

# Bounds half a thousandth off the three-decimal grid: no coordinate lies on them.
region=(--box 0,0.4705,-99,99,0,0.7805 --atom OW --residue SOL)
"$binary" back.gro "${region[@]}" --frames all --series file.csv --output-dir file --quiet ||
  fail "the converted .gro: status $?"

mkfifo live.gro
echo System | gmx -quiet trjconv -f traj.xtc -s "$water" -o live.gro >live.log 2>&1 &
converter=$!
"$binary" live.gro "${region[@]}" --frames all --series fifo.csv --output-dir fifo --quiet ||
  fail "through the FIFO: status $?"
wait "$converter" || fail "gmx trjconv into the FIFO failed: $(tail -3 live.log)"
[[ $(wc -l <fifo.csv) == 9 ]] || fail "through the FIFO: $(($(wc -l <fifo.csv) - 1)) frames, not 8"
for f in fifo.csv fifo/result.gro fifo/list.ndx; do
  cmp -s "$f" "${f/fifo/file}" || fail "$f differs from the converted file's"
done

gmx -quiet select -f traj.xtc -s "$water" -os size.xvg \
  -select 'name OW and resname SOL and x > 0 and x < 0.4705 and z > 0 and z < 0.7805' \
  >select.log 2>&1 || fail "gmx select: $(tail -3 select.log)"
theirs=$(grep -v '^[#@]' size.xvg | awk '{ printf "%.3f,%d\n", $1, $2 }')
ours=$(awk -F, 'NR > 1 { print $2 "," $3 }' file.csv)
[[ $ours == "$theirs" ]] || fail "counts per frame: gmx select gives $(echo $theirs), we $(echo $ours)"
[[ $(echo "$ours" | sort -u | wc -l) -gt 1 ]] || fail "the frames do not differ in their counts"

[[ $failures == 0 ]] || { echo "$failures failures"; exit 1; }
echo "frames with gmx: all checks passed"
