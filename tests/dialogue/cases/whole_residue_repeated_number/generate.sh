#!/usr/bin/env bash
# Answer "yes" with the residue list 5, 6, 5: the selected oxygens 21 (residue 5), 23 (6)
# and, after an unselected atom, 26 (5 again). Printed residue count 3; residue.txt repeats
# 5. Every atom numbered 5 or 6 is written once, in file order: hydrogens that fail the atom
# name, an oxygen outside the ball, and LIG, another residue that carries the number 5. The
# count line and the printed count are the 7 atom lines written, not 11 (residue 5 counted
# once per entry of the list).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Residue 5 twice in the list\n    8\n'
  printf '    5SOL     OW   21   1.000   1.000   1.000  0.1000  0.0000  0.0000\n'  # d = 0.3
  printf '    5SOL    HW1   22   1.080   1.060   1.000  0.2000  0.0000  0.0000\n'  # not OW
  printf '    6SOL     OW   23   1.300   1.000   1.000  0.3000  0.0000  0.0000\n'  # d = 0
  printf '    6SOL    HW1   24   1.380   1.060   1.000  0.4000  0.0000  0.0000\n'  # not OW
  printf '    7SOL     OW   25   5.000   5.000   5.000  0.5000  0.0000  0.0000\n'  # outside
  printf '    5SOL     OW   26   1.600   1.000   1.000  0.6000  0.0000  0.0000\n'  # d = 0.3
  printf '    5LIG     C1   27   8.000   8.000   8.000  0.7000  0.0000  0.0000\n'  # outside
  printf '    6SOL     OW   28   9.000   9.000   9.000  0.8000  0.0000  0.0000\n'  # outside
  printf '  10.00000  10.00000  10.00000\n'
} >files/repeat.gro
printf 'repeat.gro\n2\n1.3 1.0 1.0 0.5\nyes\nOW\nSOL\n\n' >input
session ball 7 3 yes >expected_stdout
echo 0 >expected_status
{
  # (A15,3F6.2,A7,F5.2,A6,A5,A9,A5): "residue:" has eight characters in nine columns.
  printf 'x/y/z of center  1.30  1.00  1.00 radius 0.50atom: OW    residue:SOL  \r\n'
  printf '%5d\r\n' 7
  printf '    5SOL     OW   21   1.000   1.000   1.000  0.1000  0.0000  0.0000\r\n'
  printf '    5SOL    HW1   22   1.080   1.060   1.000  0.2000  0.0000  0.0000\r\n'
  printf '    6SOL     OW   23   1.300   1.000   1.000  0.3000  0.0000  0.0000\r\n'
  printf '    6SOL    HW1   24   1.380   1.060   1.000  0.4000  0.0000  0.0000\r\n'
  printf '    5SOL     OW   26   1.600   1.000   1.000  0.6000  0.0000  0.0000\r\n'
  printf '    5LIG     C1   27   8.000   8.000   8.000  0.7000  0.0000  0.0000\r\n'
  printf '    6SOL     OW   28   9.000   9.000   9.000  0.8000  0.0000  0.0000\r\n'
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 21 22 23 24 26 27 28; } >expected_files/list.ndx
printf '     5\r\n     6\r\n     5\r\n' >expected_files/residue.txt
