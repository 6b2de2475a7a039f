#!/usr/bin/env bash
# Ctrl+C at the final "Press any key to exit": the job is done and every file closed, so the
# result files are complete; one report line, exit status 0.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n1\n-9 9 -9 9 -9 9\nyes\nOW\nSOL\n' >input
echo 'INT Press any key to exit' >signal
session box 6 2 yes >expected_stdout
report 'forrtl: error (200): program aborting due to control-C event' >expected_stderr
echo 0 >expected_status
{
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:OW   resid:SOL  \r\n'
  printf '%5d\r\n' 6
  two_waters_lines 1 2 3 4 5 6
  printf '   9.00000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6; } >expected_files/list.ndx
printf '     1\r\n     2\r\n' >expected_files/residue.txt
