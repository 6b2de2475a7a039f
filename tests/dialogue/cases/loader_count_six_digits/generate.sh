#!/usr/bin/env bash
# A six-digit count (GROMACS writes counts of 100000 and more in full) is read in full,
# 123456, but the file holds only four atom lines: those four are read, the box line that
# follows cannot be read as an atom line and is skipped, and the remaining reads meet the end
# of the file. No record is kept for any of them, so exactly four atoms are selected.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Large count, short file\n123456\n'
  printf '%s\n' "${two_waters_atoms[@]:0:4}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/large.gro
everything_input large.gro >input
session box 4 2 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 2 3 4 | everything_result 4 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4; } >expected_files/list.ndx
echo residue.txt >absent
