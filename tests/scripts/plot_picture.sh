#!/usr/bin/env bash
# gro-region --plot end to end: the picture is well-formed XML (xmllint), rendered by a real
# SVG renderer (rsvg-convert) and checked by its pixels (highlight only inside the outline of
# a box, a slab, a ball and a cylinder), the picture of a 1 000 000-atom file stays under
# 1 MB, and the picture belongs to the run's set of files: a --plot directory that does not
# exist is a usage error before any work, a failing run leaves no picture and no temporary.
# Skipped (77) when xmllint, rsvg-convert or python3 is missing: make deps installs them.
# Usage: plot_picture.sh GRO_REGION SOURCE_DIR
set -euo pipefail

tool=$(realpath "$1")
source_dir=$(realpath "$2")
for needed in xmllint rsvg-convert python3; do
  if ! command -v "$needed" >/dev/null 2>&1; then
    echo "SKIP: $needed is not installed (make deps installs it)"
    exit 77
  fi
done
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

# draw NAME ARGUMENTS...: a run of gro-region with ARGUMENTS, its picture as NAME.svg.
draw() {
  local name=$1
  shift
  "$tool" "$@" --plot "$scratch/$name.svg" --quiet || fail "$name: the run failed"
  xmllint --noout "$scratch/$name.svg" || fail "$name: not well-formed XML"
}

# check NAME VIEW rectangle|circle: the view rendered alone, its highlight inside the outline.
# Highlight cells may reach one cell (2.4 px) past the outline, and the 2 px line's edge
# lies 1 px beyond its middle.
check() {
  local name=$1 view=$2 mode=$3
  rsvg-convert --export-id="$view" -o "$scratch/$name-$view.png" "$scratch/$name.svg" ||
    fail "$name: rsvg-convert failed"
  python3 "$source_dir/tests/scripts/plot_pixels.py" "$mode" "$scratch/$name-$view.png" 4 ||
    fail "$name: highlight outside the outline in the $view view"
}

cp "$source_dir/examples/water.gro" "$source_dir/examples/solute_in_water.gro" "$scratch/"
cd "$scratch"

# A box whose four sides lie inside the water box in the front view (x 0.3-1.0, z 0.5-1.4).
draw box water.gro --box 0.3,1.0,-99,99,0.5,1.4
check box front rectangle
# A slab: open at the left and right of the front view, closed above and below.
draw slab water.gro --box -99,99,-99,99,1.0,1.6 --atom OW --residue SOL
check slab front rectangle
check slab side rectangle
# A ball round the solute, seen from the top and from the front.
draw ball solute_in_water.gro --ball 0.93,0.93,0.93,0.5
check ball top circle
check ball front circle
# A cylinder: a circle from the top, a rectangle from the side.
draw cylinder solute_in_water.gro --cylinder 0.4,0.5,1.2,0.9,0.9
check cylinder top circle
check cylinder side rectangle

# Size: 1 000 002 atoms on a lattice, a ball and a slab, each picture under 1 MB.
bash "$source_dir/examples/make_examples.sh" --waters 333334 --output big.gro
draw big-ball big.gro --ball 5,5,5,3 --whole-residues
draw big-slab big.gro --box -99,99,-99,99,2,4 --outside --atom OW --residue SOL
for name in big-ball big-slab; do
  size=$(wc -c <"$scratch/$name.svg")
  [ "$size" -lt 1000000 ] || fail "$name: the picture takes $size bytes"
  grep -q '1000002 atoms in the file' "$scratch/$name.svg" || fail "$name: caption lacks the count"
done

# The caption names the file and the region as typed; --outside draws the outline dashed.
grep -q 'big.gro' big-slab.svg && grep -q -- '--box -99,99,-99,99,2,4' big-slab.svg &&
  grep -q 'stroke-dasharray' big-slab.svg || fail "big-slab: caption or dashed outline missing"

# The picture is one of the run's files: named on standard output, written beside the others
# only at the end, relative to the current directory whatever --output-dir says.
mkdir run && cd run
out=$("$tool" ../water.gro --ball 1,1,1,0.5 --output-dir results --plot pic.svg) ||
  fail "run with --output-dir: status $?"
[ "$(tail -n 1 <<<"$out")" = "wrote results/result.gro results/list.ndx pic.svg" ] ||
  fail "the files written are given as: $out"
[ -s pic.svg ] && [ ! -e results/pic.svg ] || fail "the picture is not where --plot says"
grep -q "selected: $(head -n 1 <<<"$out")" pic.svg || fail "the caption's counts differ: $out"
cp pic.svg earlier.svg

# A --plot directory that does not exist: status 2 and the reason, before any work.
status=0
"$tool" ../water.gro --ball 1,1,1,0.5 --output-dir fresh --plot missing/pic.svg 2>err || status=$?
[ "$status" = 2 ] || fail "--plot into a missing directory: status $status"
[ "$(head -n 1 err)" = "gro-region: --plot: directory 'missing' does not exist" ] ||
  fail "--plot into a missing directory: $(cat err)"
[ ! -e fresh ] || fail "--plot into a missing directory: the run went ahead"

# A run that fails in the load (a count line that is no number) leaves the earlier picture
# as it was and no temporary file.
{ head -n 1 ../water.gro; echo many; sed -n '3,5p' ../water.gro; } >bad.gro
status=0
"$tool" bad.gro --ball 1,1,1,0.5 --output-dir results --plot pic.svg 2>err || status=$?
[ "$status" != 0 ] || fail "a bad count line: status 0"
cmp -s pic.svg earlier.svg || fail "a failing run changed the earlier picture"
leftovers=$(find . -name '.*.tmp')
[ -z "$leftovers" ] || fail "a failing run left $leftovers"
cd ..

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all picture checks passed"
