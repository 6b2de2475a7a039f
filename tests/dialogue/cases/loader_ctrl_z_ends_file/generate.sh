#!/usr/bin/env bash
# A line holding only Ctrl+Z (byte 26) is the end of the file: the two atom lines before it
# are read, the four after it never are, and the reads past it leave no record.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Two waters with an end-of-file mark\n    6\n'
  printf '%s\n' "${two_waters_atoms[@]:0:2}"
  printf '\032\n'
  printf '%s\n' "${two_waters_atoms[@]:2:4}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/ctrlz.gro
everything_input ctrlz.gro >input
session box 2 1 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 2 | everything_result 2 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2; } >expected_files/list.ndx
echo residue.txt >absent
