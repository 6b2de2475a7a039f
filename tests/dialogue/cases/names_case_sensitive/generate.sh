#!/usr/bin/env bash
# Names compare case-sensitively: "ow" of "sol" selects atom 9 only (its residue name has a
# leading blank, removed by left-justifying), none of the OW oxygens of SOL. The names come
# out in result.gro as they stood in the input columns.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
names_gro >files/names.gro
printf 'names.gro\n1\n-9 9 -9 9 -9 9\nno\now\nsol\n\n' >input
session box 1 1 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:ow   resid:sol  \r\n'
  printf '%12d\r\n' 1
  printf '    5 sol    ow    9   0.700   0.700   0.700  0.0000  0.0000  0.0000\r\n'
  printf '   9.00000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 9; } >expected_files/list.ndx
echo residue.txt >absent
