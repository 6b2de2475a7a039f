#!/usr/bin/env bash
# The atom name typed after one blank (" OW"): the answer is used as typed, the atoms' names
# left-justified, and a left-justified name never begins with a blank: nothing matches.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
names_gro >files/names.gro
printf 'names.gro\n1\n-9 9 -9 9 -9 9\nno\n OW\nSOL\n\n' >input
session box 0 0 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom: OW  resid:SOL  \r\n'
  printf '%12d\r\n' 0
  printf '   9.00000   9.00000   9.00000\r\n'
} >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
echo residue.txt >absent
