#!/usr/bin/env bash
# A whole session with shape 4 (invert ball), answer "yes", OW of SOL. Oxygens on the sphere
# or beyond it select their residues 2, 3 and 5, which are written whole (hydrogens inside the
# ball or failing the names included). The count line is the number of atom lines written, in
# (I5); residue.txt lists the three residues; the box group was never typed: zeros last.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Around a sphere of radius 1\n   13\n'
  printf '    1SOL     OW   11   0.500   0.000   0.000  0.1000  0.2000  0.3000\n'  # inside
  printf '    1SOL    HW1   12   0.550   0.050   0.000  0.1000  0.2000  0.3000\n'
  printf '    1SOL    HW2   13   0.450   0.050   0.000  0.1000  0.2000  0.3000\n'
  printf '    2SOL     OW   21   1.000   0.000   0.000 -0.1000 -0.2000 -0.3000\n'  # on the sphere
  printf '    2SOL    HW1   22   1.050   0.050   0.000 -0.1000 -0.2000 -0.3000\n'
  printf '    2SOL    HW2   23   0.950   0.050   0.000 -0.1000 -0.2000 -0.3000\n'  # inside
  printf '    3SOL     OW   31   0.000   0.000  -1.000  0.0100  0.0200  0.0300\n'  # on the sphere
  printf '    3SOL    HW1   32   0.050   0.050  -1.000  0.0100  0.0200  0.0300\n'
  printf '    3SOL    HW2   33  -0.050   0.050  -1.000  0.0100  0.0200  0.0300\n'
  printf '    4SOL     OW   41   0.000   0.600   0.790  0.0000  0.0000  0.0000\n'  # d = 0.992
  printf '    4SOL    HW1   42   0.050   0.650   0.790  0.0000  0.0000  0.0000\n'
  printf '    5SOL     OW   51   2.000   2.000   2.000  0.5000  0.5000  0.5000\n'  # outside
  printf '    5SOL    HW1   52   2.050   2.050   2.000  0.5000  0.5000  0.5000\n'
  printf '   3.00000   3.00000   3.00000\n'
} >files/sphere.gro
printf 'sphere.gro\n4\n0 0 0 1\nyes\nOW\nSOL\n\n' >input
session ball 8 3 yes >expected_stdout
echo 0 >expected_status
{
  # (A22,3F6.2,A7,F5.2,A6,A5,A9,A5): "residue: " fills its nine columns.
  printf 'invert x/y/z of center  0.00  0.00  0.00 radius 1.00atom: OW   residue: SOL  \r\n'
  printf '%5d\r\n' 8
  printf '    2SOL     OW   21   1.000   0.000   0.000 -0.1000 -0.2000 -0.3000\r\n'
  printf '    2SOL    HW1   22   1.050   0.050   0.000 -0.1000 -0.2000 -0.3000\r\n'
  printf '    2SOL    HW2   23   0.950   0.050   0.000 -0.1000 -0.2000 -0.3000\r\n'
  printf '    3SOL     OW   31   0.000   0.000  -1.000  0.0100  0.0200  0.0300\r\n'
  printf '    3SOL    HW1   32   0.050   0.050  -1.000  0.0100  0.0200  0.0300\r\n'
  printf '    3SOL    HW2   33  -0.050   0.050  -1.000  0.0100  0.0200  0.0300\r\n'
  printf '    5SOL     OW   51   2.000   2.000   2.000  0.5000  0.5000  0.5000\r\n'
  printf '    5SOL    HW1   52   2.050   2.050   2.000  0.5000  0.5000  0.5000\r\n'
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 21 22 23 31 32 33 51 52; } >expected_files/list.ndx
printf '     2\r\n     3\r\n     5\r\n' >expected_files/residue.txt
