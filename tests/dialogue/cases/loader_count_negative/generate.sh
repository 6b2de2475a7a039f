#!/usr/bin/env bash
# A negative count (-6): an empty table, as for 0; nothing is selected.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Negative count\n   -6\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/negative.gro
everything_input negative.gro >input
session box 0 0 no >expected_stdout
echo 0 >expected_status
everything_result 0 </dev/null >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
echo residue.txt >absent
