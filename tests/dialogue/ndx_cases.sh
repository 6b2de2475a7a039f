#!/usr/bin/env bash
# Writes the list.ndx row cases, cases/ndx_<N>_atoms/, for the numbers of selected atoms
# given (default: all of them). The OW of site i of sites.gro lies at x = i/10, so a box up
# to x = N/10 + 0.05 holds sites 1..N; whole residues are "no". list.ndx holds its heading,
# one row of 60 columns per ten numbers (the empty write after the tenth ends the row) and a
# last row of the rest, completed when the file is closed. The numbers are those of columns
# 16-20 (90001, 90003, ...), not the atoms' line positions in the file.
#   0: only the heading; result.gro holds no atom line and both counts are 0
#   9: one row of nine numbers (54 columns)
#  10: exactly one full row; the close adds nothing further
#  20: two full rows, each ended by the empty write
#  23: rows of 60, 60 and 18 columns
#  25: two full rows and one of five numbers (30 columns)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=case_tools.sh
. "$here/case_tools.sh"
# shellcheck source=session_tools.sh
. "$here/session_tools.sh"

# The lengths of list.ndx's lines with their CR: the heading, then 6 columns per number.
row_lengths() {
  local n=$1 lengths="18 "
  for ((; n >= 10; n -= 10)); do lengths+="61 "; done
  ((n > 0)) && lengths+="$((6 * n + 1)) "
  printf '%s' "$lengths"
}

write_case() {
  local n=$1 i
  local xmax
  xmax=$(awk -v n="$n" 'BEGIN { printf "%.2f", n / 10 + 0.05 }')
  reset_case
  mkdir files expected_files
  sites_gro >files/sites.gro
  printf 'sites.gro\n1\n0 %s -9 9 -9 9\nno\nOW\nSOL\n\n' "$xmax" >input
  session box "$n" "$n" no >expected_stdout
  echo 0 >expected_status
  local numbers=()
  {
    # (A14,3F6.2,3F6.2,A6,A5,A6,A5): minima, then maxima; the maximum is stored as the float
    # nearest it, which F6.2 and F10.5 show as typed.
    printf 'x/y/z-min/max   0.00 -9.00 -9.00 %5s  9.00  9.00 atom:OW   resid:SOL  \r\n' "$xmax"
    printf '%12d\r\n' "$n"
    for ((i = 1; i <= n; i++)); do
      gro_atom "$i" SOL OW $((90000 + 2 * i - 1)) "$(site_x "$i")" 0.5 0.5 0.1 -0.1 0.05
      printf '\r\n'
      numbers+=($((90000 + 2 * i - 1)))
    done
    printf '%10.5f   9.00000   9.00000\r\n' "$xmax"
  } >expected_files/result.gro
  { printf ' [selected-atoms]\r\n'; ndx_rows "${numbers[@]}"; } >expected_files/list.ndx
  [[ $(awk '{ print length($0) }' expected_files/list.ndx | tr '\n' ' ') == "$(row_lengths "$n")" ]] ||
    { echo "ndx_${n}_atoms: list.ndx rows do not have the planned lengths" >&2; exit 1; }
  echo residue.txt >absent
}

counts=("$@")
((${#counts[@]} > 0)) || counts=(0 9 10 20 23 25)
for n in "${counts[@]}"; do
  mkdir -p "$here/cases/ndx_${n}_atoms"
  (cd "$here/cases/ndx_${n}_atoms" && write_case "$n")
done
