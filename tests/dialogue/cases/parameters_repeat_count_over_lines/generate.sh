#!/usr/bin/env bash
# The ball numbers typed as 2*1.2 (two copies of 1.2) on one line and 1.3, 0.2 on the next,
# followed by two numbers too many: the statement reads both lines, the surplus is dropped
# with the rest of its line, and the yes/no read starts on the next line.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n2\n2*1.2\n1.3, 0.2 7 8\nno\nany\nany\n\n' >input
# Centre (1.2, 1.2, 1.3): the second water's atoms lie 0.1, 0.071 and 0.158 nm from it.
session ball 3 1 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z of center  1.20  1.20  1.30 radius 0.20atom: any   residue:any  \r\n'
  printf '%12d\r\n' 3
  two_waters_lines 4 5 6
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
