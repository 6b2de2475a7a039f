#!/usr/bin/env bash
# The benchmarks' generator writes exactly the files of examples/make_examples.sh, so that a
# billion atoms through a pipe are the same system as the files the other sizes are timed on.
# Usage: gen_water.sh GRO_REGION SOURCE_DIR (the generator is built beside the tool)
set -euo pipefail

generator=$(dirname "$(realpath "$1")")/gen_water
source_dir=$(realpath "$2")
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

[ -x "$generator" ] || { echo "gen_water not built beside the tool"; exit 1; }
# 0 and 1 water, a cube of sites, one over a cube, and numbers that wrap past 99999.
for waters in 0 1 216 217 34000; do
  for velocities in "" --no-velocities; do
    bash "$source_dir/examples/make_examples.sh" --waters "$waters" ${velocities:+"$velocities"} \
      --output "$scratch/script.gro"
    "$generator" "$waters" ${velocities:+"$velocities"} >"$scratch/generated.gro"
    cmp -s "$scratch/script.gro" "$scratch/generated.gro" ||
      fail "$waters waters ${velocities:-with velocities}: the files differ"
  done
done
"$generator" 2>/dev/null && fail "no argument accepted"
"$generator" 12x 2>/dev/null && fail "'12x' accepted"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "gen_water: all checks passed"
