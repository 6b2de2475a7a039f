#!/usr/bin/env bash
# The file ends with the last atom line, which has no line feed (and there is no box line):
# that line is still read, so all 6 atoms are there.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Two waters, no line feed at the end\n    6\n'
  printf '%s\n' "${two_waters_atoms[@]:0:5}"
  printf '%s' "${two_waters_atoms[5]}"
} >files/nolf.gro
everything_input nolf.gro >input
session box 6 2 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 2 3 4 5 6 | everything_result 6 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
