#!/usr/bin/env bash
# The cylinder numbers typed as ",1,2/": the leading comma is a null value (the radius keeps
# its initial 0.0), then zmin 1 and zmax 2, and the slash leaves the axis at 0.0, 0.0. A
# radius of 0 holds nothing, so the invert cylinder selects every atom that passes the names.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n6\n,1,2/\nno\nOW\nSOL\n\n' >input
session cylinder 2 2 no >expected_stdout
echo 0 >expected_status
{
  printf 'invert r/zmin/zmax/x/y of axis   0.0  1.0  2.0  0.0  0.0 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 2
  two_waters_lines 1 4
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 4; } >expected_files/list.ndx
echo residue.txt >absent
