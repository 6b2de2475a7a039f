#!/usr/bin/env bash
# The count says 9 but only 6 atom lines follow: the box line fails as an atom line (a point
# in the residue-number field) and the last two reads meet the end of the file. None of the
# three leaves a record, so a box around the origin, which would hold records of zeros,
# selects just the 6 real atoms. No message.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Count larger than the file\n    9\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/short.gro
everything_input short.gro >input
session box 6 2 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 2 3 4 5 6 | everything_result 6 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
