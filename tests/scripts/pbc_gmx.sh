#!/usr/bin/env bash
# --pbc against GROMACS: a protein-like chain solvated by gmx in a dodecahedron (gmx
# editconf -bt dodecahedron, gmx solvate), with a share of its atoms moved out of the unit
# cell by lattice vectors; balls around points inside, on the faces and corners of the cell
# and outside it select exactly the atoms of gmx select's 'within R of [x, y, z]', except
# atoms whose minimum-image distance is within 1e-3 nm of R (the two tools round
# differently). Skipped (exit 77) when gmx is not on PATH.
#
# Usage: pbc_gmx.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
if ! command -v gmx >/dev/null 2>&1; then
  echo "pbc_gmx: gmx (GROMACS) is not on PATH; skipped"
  exit 77
fi
# shellcheck source=SCRIPTDIR/../dialogue/check_tools.sh
. "$source_dir/tests/dialogue/check_tools.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-pbc-gmx.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
export GMX_MAXBACKUP=-1
tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)

quiet_gmx() {  # log, arguments...
  local log=$1
  shift
  gmx -quiet "$@" >"$log" 2>&1 || { echo "gmx $1 failed:"; tail -n 20 "$log"; exit 1; }
}

# 80 residues of N CA C O CB on a random walk of 0.15 nm steps, kept within 1.2 nm of its start.
awk 'BEGIN {
  srand(26); print "protein-like chain"; print 400; x = y = z = 0
  for (r = 1; r <= 80; r++) for (a = 1; a <= 5; a++) {
    do {
      u = 2 * rand() - 1; t = 6.2831853 * rand(); s = sqrt(1 - u * u)
      nx = x + 0.15 * s * cos(t); ny = y + 0.15 * s * sin(t); nz = z + 0.15 * u
    } while (nx * nx + ny * ny + nz * nz > 1.44)
    x = nx; y = ny; z = nz
    split("N CA C O CB", names, " ")
    printf "%5d%-5s%5s%5d%8.3f%8.3f%8.3f\n", r, "ALA", names[a], 5 * (r - 1) + a, x, y, z
  }
  print "   1.00000   1.00000   1.00000"
}' >chain.gro
quiet_gmx editconf.log editconf -f chain.gro -o boxed.gro -bt dodecahedron -d 1.0 -c
quiet_gmx solvate.log solvate -cp boxed.gro -cs spc216.gro -o solvated.gro

# Every fifth atom moved by v1, every seventh by -v3 + v2: atoms outside the unit cell.
awk 'NR == 2 { n = $1 } { line[NR] = $0 } END {
  split(line[n + 3], b, " ")
  for (i = 1; i <= n + 3; i++) {
    if (i < 3 || i > n + 2) { print line[i]; continue }
    x = substr(line[i], 21, 8); y = substr(line[i], 29, 8); z = substr(line[i], 37, 8)
    if (i % 5 == 0) x += b[1]
    if (i % 7 == 0) { x += b[6] - b[8]; y += b[2] - b[9]; z -= b[3] }
    printf "%s%8.3f%8.3f%8.3f%s\n", substr(line[i], 1, 20), x, y, z, substr(line[i], 45)
  }
}' solvated.gro >system.gro
atoms=$(sed -n '2{s/ //g;p}' system.gro)
box=$(tail -n 1 system.gro)
read -r -a b <<<"$box"
((${#b[@]} == 9)) || problem "gmx editconf wrote no triclinic box: $box"
echo "system: $atoms atoms, box $box"

# The minimum-image distance of each listed atom from the centre, over shifts -2..2.
distances() {  # x y z, atom numbers on standard input
  awk -v cx="$1" -v cy="$2" -v cz="$3" -v box="$box" 'NR == FNR { want[$1] = 1; next }
    FNR == 2 { n = $1 } FNR > 2 && FNR <= n + 2 && (FNR - 2) in want {
    split(box, b, " "); best = -1
    for (i = -2; i <= 2; i++) for (j = -2; j <= 2; j++) for (k = -2; k <= 2; k++) {
      x = substr($0, 21, 8) + i * b[1] + j * b[6] + k * b[8] - cx
      y = substr($0, 29, 8) + j * b[2] + k * b[9] - cy
      z = substr($0, 37, 8) + k * b[3] - cz
      d = sqrt(x * x + y * y + z * z); if (best < 0 || d < best) best = d
    }
    printf "%d %.6f\n", FNR - 2, best }' - system.gro
}

centres=("1.5,1.7,1.4" "0,0,0" "${b[0]},${b[1]},${b[2]}" "0.2,1.1,${b[2]}" "-0.9,5.1,2.2")
for centre in "${centres[@]}"; do
  for radius in 0.6 1.3; do
    IFS=, read -r cx cy cz <<<"$centre"
    quiet_gmx select.log select -f system.gro -s system.gro -on gmx.ndx \
      -select "within $radius of [$cx, $cy, $cz]"
    awk '!/^\[/ { for (i = 1; i <= NF; i++) print $i }' gmx.ndx | sort -n >gmx.txt
    env "${tool_env[@]}" "$binary" system.gro --ball "$centre,$radius" --pbc --quiet ||
      problem "gro-region: status $?"
    tr -d '\r' <list.ndx | awk 'NR > 1 { for (i = 1; i <= NF; i++) print $i }' | sort -n >ours.txt
    [[ -s gmx.txt ]] || problem "gmx selects nothing: the case proves little"
    comm -3 gmx.txt ours.txt | tr -d '\t' | distances "$cx" "$cy" "$cz" >differ.txt
    ties=$(wc -l <differ.txt)
    far=$(awk -v r="$radius" '{ e = $2 - r; if (e < 0) e = -e; if (e >= 0.001) print $1 }' differ.txt)
    [[ -z $far ]] || problem "atoms not near the sphere that gmx and gro-region disagree on: $far"
    finish "ball $centre radius $radius: gmx $(wc -l <gmx.txt), gro-region $(wc -l <ours.txt) atoms, $ties ties at the sphere"
  done
done
summary
