#!/usr/bin/env bash
# Enter alone (and lines of blanks or a tab) at every prompt that reads a value: the file
# name, the shape, the ball numbers and the yes/no answer. Each such line is passed over
# without any output, and the session goes on as if they had not been typed.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf '\n   \ntwo.gro\n\n2\n\n\n1.1 1.2 1.3 0.2\n\t\r\nno\nany\nany\n\n' >input
# The ball around the second oxygen holds the whole second water (hydrogens 0.0707 nm away).
session ball 3 1 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z of center  1.10  1.20  1.30 radius 0.20atom: any   residue:any  \r\n'
  printf '%12d\r\n' 3
  two_waters_lines 4 5 6
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 4 5 6; } >expected_files/list.ndx
echo residue.txt >absent
