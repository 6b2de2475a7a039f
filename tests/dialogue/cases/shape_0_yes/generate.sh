#!/usr/bin/env bash
# Shape 0 with answer "yes": nothing is selected, so the residue list is empty; the count
# line is 0 in (I5), and residue.txt is still created (empty) and announced.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n0\nyes\nOW\nSOL\n\n' >input
session none 0 0 yes >expected_stdout
echo 0 >expected_status
{
  printf '%5d\r\n' 0
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
: >expected_files/residue.txt
