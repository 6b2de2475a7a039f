#!/usr/bin/env bash
# The shape typed as 2.9: a real form given to an integer is truncated toward zero, so the
# shape is 2 (ball). A ball of radius 0.06 around the first oxygen holds that atom only (its
# hydrogens lie 0.0707 nm away).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n2.9\n0.1,0.2,0.3,0.06\nno\nany\nany\n\n' >input
session ball 1 1 no >expected_stdout
echo 0 >expected_status
{
  # (A15,3F6.2,A7,F5.2,A6,A5,A9,A5); 0.06 is stored as 0.0599999987.
  printf 'x/y/z of center  0.10  0.20  0.30 radius 0.06atom: any   residue:any  \r\n'
  printf '%12d\r\n' 1
  two_waters_lines 1
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1; } >expected_files/list.ndx
echo residue.txt >absent
