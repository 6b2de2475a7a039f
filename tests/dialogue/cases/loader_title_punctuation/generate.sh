#!/usr/bin/env bash
# A title line with commas, slashes, an unmatched apostrophe and quotation marks is skipped
# whole; the count and the atoms are read from the lines after it.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf '%s\n' "It's a \"title\", with / slashes, commas, and 'an open quote"
  printf '    6\n'
  printf '%s\n' "${two_waters_atoms[@]}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/title.gro
everything_input title.gro >input
session box 6 2 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 2 3 4 5 6 | everything_result 6 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
