#!/usr/bin/env bash
# A whole session with shape 6 (invert cylinder), answer "no", OW of SOL: axis at x = y = 1,
# radius 1, z from 0 to 2. Oxygens on the mantle or on either end plane are outside the
# cylinder and so selected; those strictly inside are not.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Around a cylinder\n    8\n'
  printf '    1SOL     OW  101   1.500   1.000   1.000  0.1000  0.1000  0.1000\n'  # inside
  printf '    2SOL     OW  102   2.000   1.000   1.000  0.1000  0.1000  0.1000\n'  # on the mantle
  printf '    3SOL     OW  103   1.000   1.000   2.000  0.1000  0.1000  0.1000\n'  # z = zmax
  printf '    4SOL     OW  104   1.000   1.000   0.000  0.1000  0.1000  0.1000\n'  # z = zmin
  printf '    5SOL     OW  105   1.000   1.000  -1.000  0.1000  0.1000  0.1000\n'  # below
  printf '    6SOL    HW1  106   5.000   5.000   5.000  0.1000  0.1000  0.1000\n'  # not OW
  printf '    7SOL     OW  107   1.000   1.999   1.999  0.1000  0.1000  0.1000\n'  # inside
  printf '    8SOL     OW  108   0.000   1.000   1.000  0.1000  0.1000  0.1000\n'  # on the mantle
  printf '   3.00000   3.00000   3.00000\n'
} >files/tube.gro
printf 'tube.gro\n6\n1 0 2 1 1\nno\nOW\nSOL\n\n' >input
session cylinder 5 5 no >expected_stdout
echo 0 >expected_status
{
  # (A31,5F5.1,A6,A5,A6,A5): radius, zmin, zmax, axis x, axis y.
  printf 'invert r/zmin/zmax/x/y of axis   1.0  0.0  2.0  1.0  1.0 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 5
  printf '    2SOL     OW  102   2.000   1.000   1.000  0.1000  0.1000  0.1000\r\n'
  printf '    3SOL     OW  103   1.000   1.000   2.000  0.1000  0.1000  0.1000\r\n'
  printf '    4SOL     OW  104   1.000   1.000   0.000  0.1000  0.1000  0.1000\r\n'
  printf '    5SOL     OW  105   1.000   1.000  -1.000  0.1000  0.1000  0.1000\r\n'
  printf '    8SOL     OW  108   0.000   1.000   1.000  0.1000  0.1000  0.1000\r\n'
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 102 103 104 105 108; } >expected_files/list.ndx
echo residue.txt >absent
