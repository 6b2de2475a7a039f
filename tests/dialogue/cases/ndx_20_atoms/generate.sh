#!/usr/bin/env bash
# Exactly 20 selected atoms: two rows of ten, each ended by the empty write; the close adds
# nothing.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
sites_gro >files/sites.gro
# The OW of site i lies at x = i/10: a box up to x = 2.05 holds sites 1..20.
printf 'sites.gro\n1\n0 2.05 -9 9 -9 9\nno\nOW\nSOL\n\n' >input
session box 20 20 no >expected_stdout
echo 0 >expected_status
numbers=()
{
  # (A14,3F6.2,3F6.2,A6,A5,A6,A5): minima, then maxima; 2.05 is stored as 2.0499999523.
  printf 'x/y/z-min/max   0.00 -9.00 -9.00  2.05  9.00  9.00 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 20
  for ((i = 1; i <= 20; i++)); do
    gro_atom "$i" SOL OW $((90000 + 2 * i - 1)) "$(site_x "$i")" 0.5 0.5 0.1 -0.1 0.05
    printf '\r\n'
    numbers+=($((90000 + 2 * i - 1)))
  done
  printf '   2.05000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows "${numbers[@]}"; } >expected_files/list.ndx
# Two full rows of 60 columns, after the heading.
[[ $(awk '{ print length($0) }' expected_files/list.ndx | tr '\n' ' ') == "18 61 61 " ]] ||
  { echo "list.ndx rows do not have the planned lengths" >&2; exit 1; }
echo residue.txt >absent
