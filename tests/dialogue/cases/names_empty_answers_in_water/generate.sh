#!/usr/bin/env bash
# Enter alone at both name prompts on the bundled water box, where every atom has a name:
# five blanks match nothing, so both counts are 0 although the box holds every atom.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
rmdir files
echo examples/water.gro >copy
printf 'water.gro\n1\n-9 9 -9 9 -9 9\nno\n\n\n\n' >input
session box 0 0 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:     resid:     \r\n'
  printf '%12d\r\n' 0
  printf '   9.00000   9.00000   9.00000\r\n'
} >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
echo residue.txt >absent
