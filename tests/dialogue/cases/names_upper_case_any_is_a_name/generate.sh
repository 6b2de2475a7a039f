#!/usr/bin/env bash
# "any" (lower case) is the wildcard, "ANY" is a name: atom answer any, residue answer ANY
# select only atom 8, whose residue is named ANY.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
names_gro >files/names.gro
printf 'names.gro\n1\n-9 9 -9 9 -9 9\nno\nany\nANY\n\n' >input
session box 1 1 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:any  resid:ANY  \r\n'
  printf '%12d\r\n' 1
  printf '    4ANY    OW1    8   0.600   0.600   0.600  0.0000  0.0000  0.0000\r\n'
  printf '   9.00000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 8; } >expected_files/list.ndx
echo residue.txt >absent
