#!/usr/bin/env bash
# A whole session with shape 3 (invert box), answer "no", OW of SOL. Atoms lying exactly on a
# face of the box are outside it and so selected by the inverted shape. In the region line
# -100 and -99.995 (stored as -99.99500275, rounded to -100.00) need seven columns of F6.2 and
# print as six asterisks, while 99.995 rounds to 100.00 and just fits.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Faces of a box\n    8\n'
  printf '    1SOL     OW    1   0.500   0.500   0.500\n'  # inside: not selected
  printf '    2SOL     OW    2   1.000   0.500   0.500\n'  # on the face x = xmax
  printf '    3SOL     OW    3   0.500   0.500   0.000\n'  # on the face z = zmin
  printf '    4SOL    HW1    4   2.000   2.000   2.000\n'  # outside, but not OW
  printf '    5SOL     OW    5   3.000   3.000   3.000\n'  # outside
  printf '    6LIG     OW    6   3.000   3.000   3.000\n'  # outside, but not SOL
  printf '    7SOL     OW    7-100.000   0.500   0.500\n'  # on the face x = xmin
  printf '    8SOL     OW    8   0.999   0.999   0.999\n'  # inside
  printf '   5.00000   5.00000   5.00000\n'
} >files/faces.gro
printf 'faces.gro\n3\n-100,1,-99.995,99.995,0,1\nno\nOW\nSOL\n\n' >input
session box 4 4 no >expected_stdout
echo 0 >expected_status
{
  # (A21,3F6.2,3F6.2,A6,A5,A6,A5): xmin, ymin, zmin, then xmax, ymax, zmax.
  printf 'invert x/y/z-min/max ************  0.00  1.00100.00  1.00 atom:OW   resid:SOL  \r\n'
  printf '%12d\r\n' 4
  printf '    2SOL     OW    2   1.000   0.500   0.500  0.0000  0.0000  0.0000\r\n'
  printf '    3SOL     OW    3   0.500   0.500   0.000  0.0000  0.0000  0.0000\r\n'
  printf '    5SOL     OW    5   3.000   3.000   3.000  0.0000  0.0000  0.0000\r\n'
  printf '    7SOL     OW    7-100.000   0.500   0.500  0.0000  0.0000  0.0000\r\n'
  printf '   1.00000  99.99500   1.00000\r\n'  # (3F10.5): xmax, ymax, zmax
} >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 2 3 5 7; } >expected_files/list.ndx
echo residue.txt >absent
