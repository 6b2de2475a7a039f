#!/usr/bin/env bash
# A count right-justified in columns 1-5 followed by a blank and text: the text after the
# field is ignored and the count is 6.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Two waters, count with a word after it\n    6 atoms\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/words.gro
everything_input words.gro >input
session box 6 2 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 2 3 4 5 6 | everything_result 6 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
