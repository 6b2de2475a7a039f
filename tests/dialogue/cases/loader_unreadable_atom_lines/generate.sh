#!/usr/bin/env bash
# Two atom lines that cannot be read, a letter inside the x field of atom 2 and inside the
# atom-number field of atom 5: both are skipped without a message, the next line goes to the
# next record, and no record of them remains (they are neither in result.gro nor list.ndx).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
{
  printf 'Two unreadable lines\n    6\n'
  printf '%s\n' "${two_waters_atoms[0]}"
  printf '    1SOL    HW1    2   0.1a0   0.250   0.300  0.0100  0.0200 -0.0300\n'
  printf '%s\n' "${two_waters_atoms[@]:2:2}"
  printf '    2SOL    HW1   x5   1.150   1.250   1.300 -0.0500  0.0600  0.0700\n'
  printf '%s\n' "${two_waters_atoms[5]}"
  printf '   2.00000   2.00000   2.00000\n'
} >files/letters.gro
everything_input letters.gro >input
session box 4 2 no >expected_stdout
echo 0 >expected_status
two_waters_lines 1 3 4 6 | everything_result 4 >expected_files/result.gro
{ printf ' [selected-atoms]\r\n'; ndx_rows 1 3 4 6; } >expected_files/list.ndx
echo residue.txt >absent
