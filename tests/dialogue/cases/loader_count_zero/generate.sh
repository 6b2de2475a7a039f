#!/usr/bin/env bash
# Count 0 although atom lines follow: the table is empty, so nothing is selected even by a
# box around every atom; result.gro has no atom line and list.ndx only its heading.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Atom lines that the count does not cover\n    0\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/zero.gro
everything_input zero.gro >input
session box 0 0 no >expected_stdout
echo 0 >expected_status
everything_result 0 </dev/null >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
echo residue.txt >absent
