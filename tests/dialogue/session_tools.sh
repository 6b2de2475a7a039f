# shellcheck shell=bash
# Helpers for generate.sh scripts that spell out a whole session, or a session cut off at one
# prompt, from the dialogue order. Source case_tools.sh first; these build on its records.

# Console output from the banner up to and including the prompt named by $2: shape, params,
# answer (yes/no), atom, resid. $1 is the shape group: box, ball, cylinder, or none for a
# shape outside 1..6 (no parameter prompts, no read, and no blank line after them).
dialogue_upto() {
  local group=$1 stop=$2
  banner
  blank
  shape_menu
  [[ $stop == shape ]] && return
  blank
  case $group in
    box) box_prompts ;;
    ball) ball_prompts ;;
    cylinder) cylinder_prompts ;;
    none) ;;
    *) echo "dialogue_upto: unknown shape group $group" >&2; return 1 ;;
  esac
  [[ $stop == params ]] && return
  if [[ $group != none ]]; then blank; fi
  residue_question
  [[ $stop == answer ]] && return
  blank
  atom_question
  [[ $stop == atom ]] && return
  blank
  residue_name_question
  [[ $stop == resid ]] && return
  echo "dialogue_upto: unknown stop $stop" >&2
  return 1
}

# The whole console output of a session that ends normally: shape group, printed atom
# count, printed residue count, and the whole-residue answer as typed.
session() {
  local group=$1 atoms=$2 residues=$3 answer=$4
  dialogue_upto "$group" resid
  blank
  counts "$atoms" "$residues"
  if [[ $answer == yes ]]; then closing yes; else closing; fi
}

# Turns LF line ends into CR LF (for expected lines written as ordinary text).
crlf() { sed 's/$/\r/'; }

# The list.ndx body for the given atom numbers: (I6) fields, ten to a line, the last shorter
# line completed by the close.
ndx_rows() {
  local n=0 number
  for number in "$@"; do
    printf '%6d' "$number"
    n=$((n + 1))
    if ((n % 10 == 0)); then printf '\r\n'; fi
  done
  if ((n % 10 != 0)); then printf '\r\n'; fi
}

# One atom line in .gro columns: residue number, residue name (left-justified), atom name
# (right-justified), atom number, x, y, z, vx, vy, vz; numbers given as decimal texts.
gro_atom() {
  printf '%5d%-5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f' "$@"
}

# x of site i in nm as a decimal text: i/10.
site_x() { printf '%d.%d' $(($1 / 10)) $(($1 % 10)); }

# A coordinate file of 30 sites along x, each its own residue i of SOL: an OW at x = i/10 nm,
# then an HW1 0.02 nm further on. Atom numbers start at 90001 and run over both atoms, so
# the OW of site i is number 90000 + 2i - 1, while it is the (2i - 1)-th line of the file.
sites_gro() {
  local i
  printf 'Thirty sites along x\n%5d\n' 60
  for ((i = 1; i <= 30; i++)); do
    gro_atom "$i" SOL OW $((90000 + 2 * i - 1)) "$(site_x "$i")" 0.5 0.5 0.1 -0.1 0.05
    printf '\n'
    gro_atom "$i" SOL HW1 $((90000 + 2 * i)) "$(site_x "$i")2" 0.58 0.5 -0.2 0.3 0
    printf '\n'
  done
  printf '%10.5f%10.5f%10.5f\n' 3.2 1 1
}

# Two waters, every number already in the layout the tool writes (three decimals for
# positions, four for velocities), so each rewritten line equals its input line.
two_waters_atoms=(
  '    1SOL     OW    1   0.100   0.200   0.300  0.1000 -0.2000  0.3000'
  '    1SOL    HW1    2   0.150   0.250   0.300  0.0100  0.0200 -0.0300'
  '    1SOL    HW2    3   0.050   0.250   0.300 -0.1000  0.0000  0.0500'
  '    2SOL     OW    4   1.100   1.200   1.300  0.2000  0.1000 -0.1000'
  '    2SOL    HW1    5   1.150   1.250   1.300 -0.0500  0.0600  0.0700'
  '    2SOL    HW2    6   1.050   1.250   1.300  0.0000  0.0000  0.0000'
)

# The coordinate file of those two waters, lines ended by LF.
two_waters_gro() {
  printf 'Two waters\n    6\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '   2.00000   2.00000   2.00000\n'
}

# The expected result.gro lines of the given atoms of two_waters_atoms (1-based), CR LF.
two_waters_lines() {
  local n
  for n in "$@"; do printf '%s\r\n' "${two_waters_atoms[n - 1]}"; done
}

# Console input of a run that selects every loaded atom: the box -9..9 in every direction,
# answer "no", "any" for both names.
everything_input() { printf '%s\n1\n-9 9 -9 9 -9 9\nno\nany\nany\n\n' "$1"; }

# result.gro of that run for the given count; the atom lines (CR LF) come on standard input.
everything_result() {
  # (A14,3F6.2,3F6.2,A6,A5,A6,A5): minima, then maxima.
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:any  resid:any  \r\n'
  printf '%12d\r\n' "$1"
  cat
  printf '   9.00000   9.00000   9.00000\r\n'  # (3F10.5): xmax, ymax, zmax
}

# The two waters and three atoms with unusual names: all-blank name columns (atom 7), the
# residue name ANY (atom 8), and lower-case names behind a leading blank (atom 9).
names_gro() {
  printf 'Names to match\n    9\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '    3              7   0.500   0.500   0.500  0.0000  0.0000  0.0000\n'
  printf '    4ANY    OW1    8   0.600   0.600   0.600  0.0000  0.0000  0.0000\n'
  printf '    5 sol    ow    9   0.700   0.700   0.700  0.0000  0.0000  0.0000\n'
  printf '   2.00000   2.00000   2.00000\n'
}
