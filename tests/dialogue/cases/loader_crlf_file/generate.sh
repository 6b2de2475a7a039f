#!/usr/bin/env bash
# A coordinate file with CR LF line ends (as written on Windows): the CR before each LF is not
# part of the line, so the count is 6 and the two atom lines with positions only (44 columns,
# then CR) read their velocities as 0.0, never the CR.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Two waters, CR LF\r\n    6\r\n'
  printf '%s\r\n' "${two_waters_atoms[@]:0:5}"
  printf '    2SOL    HW2    6   1.050   1.250   1.300\r\n'
  printf '   2.00000   2.00000   2.00000\r\n'
} >files/crlf.gro
everything_input crlf.gro >input
session box 6 2 no >expected_stdout
echo 0 >expected_status
{
  two_waters_lines 1 2 3 4 5
  printf '    2SOL    HW2    6   1.050   1.250   1.300  0.0000  0.0000  0.0000\r\n'
} | everything_result 6 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
