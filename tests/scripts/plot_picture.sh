#!/usr/bin/env bash
# The selection picture end to end: well-formed XML (xmllint), rendered by a real SVG
# renderer (rsvg-convert) and checked by its pixels (highlight only inside the outline of a
# box, of a slab and of a ball), and the picture of a 1 000 000-atom file under 1 MB.
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
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# draw NAME FILE SHAPE NUMBERS WHOLE ATOM RESIDUE: the picture of one selection as NAME.svg.
plotter=$(dirname "$tool")/plot_child
draw() {
  local name=$1
  shift
  "$plotter" "$@" "$scratch/$name.svg" || fail "$name: drawing failed"
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
draw box water.gro 1 0.3,1.0,-99,99,0.5,1.4 no any any
check box front rectangle
# A slab: open at the left and right of the front view, closed above and below.
draw slab water.gro 1 -99,99,-99,99,1.0,1.6 no OW SOL
check slab front rectangle
check slab side rectangle
# A ball round the solute, seen from the top and from the front.
draw ball solute_in_water.gro 2 0.93,0.93,0.93,0.5 no any any
check ball top circle
check ball front circle
# A cylinder: a circle from the top, a rectangle from the side.
draw cylinder solute_in_water.gro 5 0.4,0.5,1.2,0.9,0.9 no any any
check cylinder top circle
check cylinder side rectangle

# Size: 1 000 002 atoms on a lattice, a ball and a slab, each picture under 1 MB.
bash "$source_dir/examples/make_examples.sh" --waters 333334 --output big.gro
draw big-ball big.gro 2 5,5,5,3 yes any any
draw big-slab big.gro 3 -99,99,-99,99,2,4 no OW SOL
for name in big-ball big-slab; do
  size=$(wc -c <"$scratch/$name.svg")
  [ "$size" -lt 1000000 ] || fail "$name: the picture takes $size bytes"
  grep -q '1000002 atoms in the file' "$scratch/$name.svg" || fail "$name: caption lacks the count"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all picture checks passed"
