#!/usr/bin/env bash
# The most negative integer as the shape, then the answer "y" (neither "yes" nor "no"): no
# parameters, nothing selected, the count line written as for "no" (12 columns), and an
# older residue.txt left as it was. Older result.gro and list.ndx are replaced.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'old result, longer than the new one\n%.0s' 1 2 3 4 5 6 7 8 9 >files/result.gro
printf 'old list\n' >files/list.ndx
printf 'old residues\r\n' >files/residue.txt
printf 'two.gro\n-2147483648\ny\nany\nany\n\n' >input
session none 0 0 y >expected_stdout
echo 0 >expected_status
{
  printf '%12d\r\n' 0
  printf '   0.00000   0.00000   0.00000\r\n'
} >expected_files/result.gro
printf ' [selected-atoms]\r\n' >expected_files/list.ndx
printf 'old residues\r\n' >expected_files/residue.txt
