#!/usr/bin/env bash
# --pbc end to end, on the real tool, against nearest_image_oracle.awk (a brute-force search
# over lattice shifts): rectangular, dodecahedral and skewed boxes holding waters and ligands
# scattered over and beyond the unit cell; regions of every shape across faces and corners,
# with and without --outside, whole residues and names. Each run must select the oracle's
# atoms and write each at the oracle's image (names, numbers, velocities as read); its first
# and last lines and its residue.txt are those of the same run without --pbc where the
# selection is the same. Bad box lines fail with one line and leave earlier files alone.
#
# Usage: periodic_box.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/../dialogue/check_tools.sh
. "$source_dir/tests/dialogue/check_tools.sh"
oracle=$source_dir/tests/scripts/nearest_image_oracle.awk

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-pbc.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)
tool() { env "${tool_env[@]}" "$binary" "$@"; }

declare -A boxes=(
  [rectangular]="   3.00000   3.50000   4.00000"
  # gmx editconf -bt dodecahedron, d = 3.2
  [dodecahedron]="   3.20000   3.20000   2.26274   0.00000   0.00000   0.00000   0.00000   1.60000   1.60000"
  # every off-diagonal near GROMACS' limit of half the diagonal, leaning both ways
  [skewed]="   3.00000   2.80000   3.20000   0.00000   0.00000   1.40000   0.00000  -1.45000   1.30000"
)

# 90 residues of three atoms at fractional positions -0.4 .. 1.4 of the box (so atoms lie
# outside the unit cell and waters straddle its faces); every tenth is LIG (C1 C2 C3).
make_system() {  # box line, seed > file
  awk -v box="$1" -v seed="$2" 'BEGIN {
    srand(seed); nb = split(box, b, " "); for (i = 4; i <= 9; i++) if (nb == 3) b[i] = 0
    print "pbc test system"; print 270
    for (r = 1; r <= 90; r++) {
      f1 = rand() * 1.8 - 0.4; f2 = rand() * 1.8 - 0.4; f3 = rand() * 1.8 - 0.4
      x = f1 * b[1] + f2 * b[6] + f3 * b[8]; y = f1 * b[4] + f2 * b[2] + f3 * b[9]
      z = f1 * b[5] + f2 * b[7] + f3 * b[3]
      lig = r % 10 == 0
      for (a = 0; a < 3; a++) {
        name = lig ? "C" (a + 1) : (a == 0 ? "OW" : "HW" a)
        printf "%5d%-5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f\n", r, lig ? "LIG" : "SOL", name,
          3 * r - 2 + a, x + 0.09 * (a == 1), y + 0.09 * (a == 2), z - 0.03 * a,
          rand() - 0.5, rand() - 0.5, -0.0001 * r
      }
    }
    print box
  }'
}

# The atom lines of result.gro as "number x y z", and the other columns by number.
atom_lines() { tr -d '\r' <"$1" | awk 'NR > 2 { if (held != "") print held; held = $0 }'; }
atoms_of() { atom_lines "$1" | awk '{
  printf "%d %s %s %s\n", substr($0, 16, 5), substr($0, 21, 8), substr($0, 29, 8), substr($0, 37, 8) }'; }
others_of() { atom_lines "$1" | cut -c1-20,45-; }

# Centres off the 0.001 nm grid of the atoms, so that no two images are equally near.
regions=(
  "box:-0.6005,0.5015,0.3005,1.9015,0.5005,2.2015"   # across the x = 0 face
  "box:-0.7005,0.7015,-0.7005,0.7015,-0.7005,0.7015" # around the corner at the origin
  "box:-99,99.0003,-99,99.0003,0.4005,1.9005"        # a slab
  "ball:0.1003,0.2003,0.0503,1.1005"                 # around the origin's corner
  "ball:2.9003,3.4003,3.9003,0.9005"                 # the far corner
  "cylinder:0.8005,0.2005,3.0005,1.5003,0.1003"      # across the y = 0 face
)
flag_sets=("" "--outside" "--whole-residues" "--atom OW" "--residue LIG --whole-residues"
  "--outside --atom HW1 --whole-residues")
turn=0
for kind in rectangular dodecahedron skewed; do
  make_system "${boxes[$kind]}" "${#kind}" >"$kind.gro"
  for region in "${regions[@]}"; do
    shape=${region%%:*} numbers=${region#*:}
    for _ in 1 2; do
      read -r -a flags <<<"${flag_sets[turn++ % ${#flag_sets[@]}]}"
      name="$kind --$shape $numbers ${flags[*]}"
      dir=run$turn
      tool "$kind.gro" "--$shape" "$numbers" "${flags[@]}" --pbc --output-dir "$dir" --quiet \
        2>err || problem "status $?: $(cat err)"
      tool "$kind.gro" "--$shape" "$numbers" "${flags[@]}" --output-dir "$dir-plain" --quiet
      outside=0 whole=0 atom=any residue=any
      for ((i = 0; i < ${#flags[@]}; i++)); do
        case ${flags[i]} in
          --outside) outside=1 ;;
          --whole-residues) whole=1 ;;
          --atom) atom=${flags[++i]} ;;
          --residue) residue=${flags[++i]} ;;
        esac
      done
      awk -v shape="$shape" -v numbers="$numbers" -v outside=$outside -v whole=$whole \
        -v atom="$atom" -v residue="$residue" -f "$oracle" "$kind.gro" >expected
      [[ -s expected ]] || problem "the oracle selects nothing: the case proves little"
      atoms_of "$dir/result.gro" >got
      if ! cmp -s <(cut -d' ' -f1 expected) <(cut -d' ' -f1 got); then
        problem "atoms $(cut -d' ' -f1 got | tr '\n' ' '), expected $(cut -d' ' -f1 expected | tr '\n' ' ')"
      else
        # Each at the oracle's image to the written precision.
        far=$(paste -d' ' expected got | awk '{ for (i = 2; i <= 4; i++) {
          e = $i - $(i + 4); if (e < 0) e = -e; if (e > 0.00051) { print $1; exit } } }')
        [[ -z $far ]] || problem "atom $far is not at its nearest image"
      fi
      cmp -s <(tr -d '\r' <"$dir/list.ndx" | awk 'NR > 1 { for (i = 1; i <= NF; i++) print $i }') \
        <(cut -d' ' -f1 expected) || problem "list.ndx does not list the selected atoms"
      # Names, numbers and velocities as read.
      cmp -s <(others_of "$dir/result.gro") <(awk 'NR == FNR { keep[$1] = 1; next }
        FNR > 2 && (substr($0, 16, 5) + 0) in keep' got "$kind.gro" | cut -c1-20,45-) ||
        problem "names, numbers or velocities changed"
      for end in 1 '$'; do
        cmp -s <(sed -n "${end}p" "$dir/result.gro") <(sed -n "${end}p" "$dir-plain/result.gro") ||
          problem "line $end of result.gro differs from the run without --pbc"
      done
      if ((whole)); then
        cmp -s <(tr -d '\r' <"$dir/residue.txt") <(awk 'NR == FNR { keep[$1] = 1; next }
          FNR > 2 && (substr($0, 16, 5) + 0) in keep { r = substr($0, 1, 5) + 0
          if (r != last) printf "%6d\n", r; last = r }' got "$kind.gro") ||
          problem "residue.txt does not list the selected residues"
      fi
      finish "$name"
    done
  done
done

# The picture and standard input see the same images.
tool - --ball 0.1003,0.2003,0.0503,1.1005 --pbc --plot pic.svg --output-dir piped --quiet <skewed.gro ||
  problem "status $? from standard input with --plot"
cmp -s piped/result.gro <(tool skewed.gro --ball 0.1003,0.2003,0.0503,1.1005 --pbc --output-dir file \
  --quiet && cat file/result.gro) || problem "standard input gives another result.gro"
[[ -s pic.svg ]] || problem "no picture"
finish "standard input and --plot"

# --- Boxes that are not boxes ---------------------------------------------------------------
bad_boxes=(
  "empty:"
  "two numbers:3 3"
  "six numbers:3 3 3 0 0 0"
  "a letter:3 3 x"
  "zeros:   0.00000   0.00000   0.00000"
  "flat:3 3 0 0 0 1 0 1 1"
)
for entry in "${bad_boxes[@]}" "missing"; do
  what=${entry%%:*} line=${entry#*:}
  { head -n 272 rectangular.gro; [[ $what == missing ]] || printf '%s\n' "$line"; } >bad.gro
  mkdir -p earlier && for f in result.gro list.ndx; do echo "earlier $f" >"earlier/$f"; done
  tool bad.gro --ball 1,1,1,1 --pbc --output-dir earlier >out 2>err
  status=$?
  ((status == 1)) || problem "status $status, expected 1"
  case $what in
    missing) reason="the box line is missing (the file ends after the atom lines)" ;;
    empty) reason="the box line is empty" ;;
    "two numbers") reason="the box line '3 3' holds 2 numbers, not 3 or 9" ;;
    "six numbers") reason="the box line '3 3 3 0 0 0' holds 6 numbers, not 3 or 9" ;;
    "a letter") reason="the box line '3 3 x' holds 'x', which is not a number" ;;
    *) reason="the box '$line' has no volume" ;;
  esac
  expect="gro-region: --pbc: 'bad.gro', frame 0: $reason"
  [[ $(cat err) == "$expect" ]] || problem "stderr [$(cat err)], expected [$expect]"
  [[ ! -s out ]] || problem "standard output: $(cat out)"
  [[ $(ls -A earlier | tr '\n' ' ') == "list.ndx result.gro " ]] || problem "files: $(ls -A earlier)"
  for f in result.gro list.ndx; do
    [[ $(cat "earlier/$f") == "earlier $f" ]] || problem "$f was changed"
  done
  tool bad.gro --ball 1,1,1,1 --output-dir plain --quiet || problem "without --pbc: status $?"
  finish "bad box: $what"
done

summary
