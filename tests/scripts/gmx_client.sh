#!/usr/bin/env bash
# Real-client check: GROMACS itself loads the result.gro and list.ndx that gro-region writes
# through the dialogue and through the command line, and the atom counts agree:
# gro-region's printed count, the count line of result.gro, its
# atom lines, the atoms gmx editconf reads from it, and the size of the index group that
# gmx select reads from list.ndx (whose atom numbers must also be those of result.gro).
# Skipped (exit 77) when gmx is not on PATH.
#
# Usage: gmx_client.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
if ! command -v gmx >/dev/null 2>&1; then
  echo "gmx_client: gmx (GROMACS) is not on PATH; skipped"
  exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-gmx.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
export GMX_MAXBACKUP=-1

# The tool sees no FOR* switch of the caller.
tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)

# 1000 waters, 3000 atoms, on a grid of side 3.1 nm.
sh "$source_dir/examples/make_examples.sh" --waters 1000 --output water.gro || exit 1
# The same box written with five decimals (velocities with six), as GROMACS writes files
# of increased precision: positions of three decimals keep their values exactly.
awk 'NR <= 2 || length($0) < 44 { print; next }
  { printf "%s%10.5f%10.5f%10.5f%10.6f%10.6f%10.6f\n", substr($0, 1, 20), substr($0, 21, 8),
      substr($0, 29, 8), substr($0, 37, 8), substr($0, 45, 8), substr($0, 53, 8),
      substr($0, 61, 8) }' water.gro >water5.gro || exit 1

failed=0
fail() {
  echo "FAIL $run: $*"
  failed=1
}

# Runs gmx quietly; on failure shows what it said.
quiet_gmx() {
  local log=$1
  shift
  if ! gmx -quiet "$@" >"$log" 2>&1; then
    fail "gmx $1 failed:"
    sed 's/^/    /' "$log" | tail -n 30
    return 1
  fi
}

# The two doors: the dialogue with its console input, the command line with its arguments.
dialogue() { env "${tool_env[@]}" timeout -k 2 30 "$binary" <<<"$1"; }
command_line() { env "${tool_env[@]}" timeout -k 2 30 "$binary" "$@"; }

check_run() {  # run name, door, its input or arguments; COORDINATES: the file (water.gro)
  run=$1
  shift
  local input=${COORDINATES:-water.gro}
  mkdir "$run" && cp water.gro water5.gro "$run/" && cd "$run" || exit 1
  "$@" >console.txt 2>errors.txt
  local status=$?
  if ((status != 0)); then
    fail "gro-region ended with status $status: $(cat errors.txt)"
    cd ..
    return
  fi
  local printed count_line atom_lines editconf_atoms group_size
  printed=$(sed -n -e 's/^ The number of atoms correspond condition is: *\([0-9-]*\)\r$/\1/p' \
    -e 's/^\([0-9]*\) atoms in [0-9]* residues$/\1/p' console.txt)
  count_line=$(sed -n '2{s/[ \r]//g;p}' result.gro)
  atom_lines=$(($(wc -l <result.gro) - 3))
  # Selecting nothing would make every comparison trivially true.
  if [[ -z $printed ]] || ((printed < 1)); then
    fail "no atom selected (printed count '$printed')"
    cd ..
    return
  fi

  quiet_gmx editconf.log editconf -f result.gro -o check.gro || { cd ..; return; }
  editconf_atoms=$(sed -n '2{s/ //g;p}' check.gro)

  quiet_gmx select.log select -f "$input" -s "$input" -n list.ndx \
    -select 'group "selected-atoms"' -os size.xvg -on group.ndx || { cd ..; return; }
  group_size=$(awk '!/^[@#]/ && NF >= 2 { n = $2 } END { printf "%d", n }' size.xvg)

  for what in "count line:$count_line" "atom lines:$atom_lines" \
    "gmx editconf atoms:$editconf_atoms" "gmx select group size:$group_size"; do
    if [[ ${what#*:} != "$printed" ]]; then
      fail "${what%%:*} ${what#*:}, but gro-region printed $printed"
    fi
  done
  # The group as gmx read it holds exactly the atom numbers of result.gro's atom lines.
  if ! cmp -s <(awk '!/^\[/ { for (i = 1; i <= NF; i++) print $i }' group.ndx) \
    <(sed -n "3,$((atom_lines + 2))p" result.gro | cut -c16-20 | tr -d ' '); then
    fail "the atom numbers gmx read from list.ndx differ from those in result.gro"
  fi
  ((failed)) || echo "PASS $run: $printed atoms"
  cd ..
}

# "no": the oxygens in a ball (count line free-form, last line zeros).
check_run ball_no dialogue $'water.gro\n2\n1.5 1.5 1.5 0.9\nno\nOW\nSOL\n\n'
# "yes": whole waters around the oxygens in a box (count line in five columns).
check_run box_yes dialogue $'water.gro\n1\n0.4 1.6 0.4 1.6 0.4 1.6\nyes\nOW\nSOL\n\n'
# Five decimals: result.gro keeps them, and gmx editconf reads it back to the values of the
# three-decimal file (which it writes): each atom line of its check.gro is, apart from the
# atom number it renumbers, the line of the same atom in water.gro.
COORDINATES=water5.gro check_run ball_five_decimals dialogue $'water5.gro\n2\n1.5 1.5 1.5 1.2\nyes\nOW\nSOL\n\n'
if [[ -f ball_five_decimals/check.gro ]]; then
  run=ball_five_decimals
  atoms=$(sed -n '2{s/[ \r]//g;p}' "$run/result.gro")
  grep -q '^    1SOL     OW    1   0.13500   0.13500   0.13500' water5.gro ||
    fail "water5.gro does not hold five decimals"
  if ! cmp -s <(sed -n "3,$((atoms + 2))p" "$run/check.gro" | cut -c1-15,21-) \
    <(sed -n "3,$((atoms + 2))p" "$run/result.gro" | cut -c16-20 |
      awk 'NR == FNR { if (FNR > 2) line[FNR - 2] = $0; next } { print line[$1 + 0] }' \
        water.gro - | cut -c1-15,21-); then
    fail "gmx editconf read other values from the five-decimal result.gro"
  fi
fi
# The same two selections through the command line.
check_run command_line_ball command_line water.gro --ball 1.5,1.5,1.5,0.9 --atom OW \
  --residue SOL
check_run command_line_box_whole command_line water.gro --box 0.4,1.6,0.4,1.6,0.4,1.6 \
  --atom=OW --residue=SOL --whole-residues

exit "$failed"
