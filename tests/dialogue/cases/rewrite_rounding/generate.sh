#!/usr/bin/env bash
# Atom lines are rewritten by the layout, not copied: positions with four decimals come out
# with three and velocities with five come out with four, rounded from the stored binary
# value with exact ties to even; missing velocities come out as 0.0000, a value that rounds
# to zero has no sign, fields without a point are scaled (1234 in F8.3 is 1.234) and blanks
# inside a field are ignored. Names keep their justification (OW left-justified in atom 14).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
# Stored values (exact binary value of the float):
#   1.2345 = 1.23450005...  -> 1.235     1.0625, -1.0625 exact ties -> 1.062, -1.062
#   2.1875 exact tie -> 2.188            3.0005 = 3.00049996... -> 3.000
#   2.6665 = 2.66650009...  -> 2.667     -0.0004 -> 0.000 (no sign)
#   0.0005 = 0.00050000002  -> 0.001     -2.0005 = -2.00049996... -> -2.000
#   5.9995 = 5.99949980...  -> 5.999     4.0015 = 4.00150013... -> 4.002
#   0.12345 = 0.12345000356 -> 0.1235    -0.00005 = -0.0000499999987 -> 0.0000 (no sign)
#   0.00015 = 0.000150000007 -> 0.0002   -0.000 -> 0.0000
{
  printf 'Numbers to be rewritten\n    5\n'
  printf '    1SOL     OW   11  1.2345  1.0625  2.1875 0.12345-0.00005-0.00004\n'
  printf '    1SOL    HW1   12  3.0005  2.6665 -1.0625 0.00015   -0.25    1234\n'
  printf '    1SOL    HW2   13 -0.0004  0.0005 -2.0005\n'
  printf '    2SOL  OW      14  5.9995  4.0015    1234\n'
  printf '    2SOL    HW1   15  1. 25    0.5    0.      -0.000\n'
  printf '   9.00000   9.00000   9.00000\n'
} >files/four.gro
printf 'four.gro\n1\n-9 9 -9 9 -9 9\nno\nany\nany\n\n' >input
session box 5 2 no >expected_stdout
echo 0 >expected_status
{
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:any  resid:any  \r\n'
  printf '%12d\r\n' 5
  printf '    1SOL     OW   11   1.235   1.062   2.188  0.1235  0.0000  0.0000\r\n'
  printf '    1SOL    HW1   12   3.000   2.667  -1.062  0.0002 -0.2500  0.1234\r\n'
  printf '    1SOL    HW2   13   0.000   0.001  -2.000  0.0000  0.0000  0.0000\r\n'
  printf '    2SOL  OW      14   5.999   4.002   1.234  0.0000  0.0000  0.0000\r\n'
  printf '    2SOL    HW1   15   1.250   0.500   0.000  0.0000  0.0000  0.0000\r\n'
  printf '   9.00000   9.00000   9.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 11 12 13 14 15; } >expected_files/list.ndx
echo residue.txt >absent
