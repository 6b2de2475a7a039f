#!/usr/bin/env bash
# 25 selected atoms with "no": list.ndx holds the heading, two rows of ten atom numbers and
# one of five (completed when the file is closed). The numbers are those of columns 16-20
# (90001, 90003, ...), not the atoms' line positions in the file.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
sites_gro >files/sites.gro
# The OW of site i lies at x = i/10: a box up to x = 2.55 holds sites 1..25.
printf 'sites.gro\n1\n0 2.55 -9 9 -9 9\nno\nOW\nSOL\n\n' >input
session box 25 25 no >expected_stdout
echo 0 >expected_status
numbers=()
{
  # (A14,3F6.2,3F6.2,A6,A5,A6,A5): minima, then maxima; 2.55 is stored as 2.5499999523.
  printf 'x/y/z-min/max   0.00 -9.00 -9.00  2.55  9.00  9.00 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 25
  for ((i = 1; i <= 25; i++)); do
    gro_atom "$i" SOL OW $((90000 + 2 * i - 1)) "$(site_x "$i")" 0.5 0.5 0.1 -0.1 0.05
    printf '\r\n'
    numbers+=($((90000 + 2 * i - 1)))
  done
  printf '   2.55000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows "${numbers[@]}"; } >expected_files/list.ndx
# Two full rows of 60 columns and one of 30, each with CR LF, after the heading.
[[ $(awk '{ print length($0) }' expected_files/list.ndx | tr '\n' ' ') == "18 61 61 31 " ]] ||
  { echo "list.ndx rows do not have the planned lengths" >&2; exit 1; }
echo residue.txt >absent
