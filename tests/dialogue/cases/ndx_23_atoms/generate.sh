#!/usr/bin/env bash
# 23 selected atoms: rows of 60, 60 and 18 columns, the last completed when list.ndx is
# closed.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
sites_gro >files/sites.gro
# The OW of site i lies at x = i/10: a box up to x = 2.35 holds sites 1..23.
printf 'sites.gro\n1\n0 2.35 -9 9 -9 9\nno\nOW\nSOL\n\n' >input
session box 23 23 no >expected_stdout
echo 0 >expected_status
numbers=()
{
  # (A14,3F6.2,3F6.2,A6,A5,A6,A5): minima, then maxima; 2.35 is stored as 2.3499999046.
  printf 'x/y/z-min/max   0.00 -9.00 -9.00  2.35  9.00  9.00 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 23
  for ((i = 1; i <= 23; i++)); do
    gro_atom "$i" SOL OW $((90000 + 2 * i - 1)) "$(site_x "$i")" 0.5 0.5 0.1 -0.1 0.05
    printf '\r\n'
    numbers+=($((90000 + 2 * i - 1)))
  done
  printf '   2.35000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows "${numbers[@]}"; } >expected_files/list.ndx
# Two full rows of 60 columns and one of 18, after the heading.
[[ $(awk '{ print length($0) }' expected_files/list.ndx | tr '\n' ' ') == "18 61 61 19 " ]] ||
  { echo "list.ndx rows do not have the planned lengths" >&2; exit 1; }
echo residue.txt >absent
