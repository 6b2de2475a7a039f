#!/usr/bin/env bash
# Shape 7 is accepted and selects nothing: the blank line after the shape read is printed, but
# no parameter prompt, no read and no blank line after them. result.gro has no region line,
# the count line 0, no atom line, and the untyped box group (zeros) as its last line.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
# The line after the shape is the yes/no answer, not parameters.
printf 'two.gro\n7\nno\nany\nany\n\n' >input
session none 0 0 no >expected_stdout
echo 0 >expected_status
{
  printf '%12d\r\n' 0
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
echo residue.txt >absent
