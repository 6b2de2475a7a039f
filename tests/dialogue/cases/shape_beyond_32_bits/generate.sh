#!/usr/bin/env bash
# 2147483648 for the shape: an integer form outside the 32-bit range, report 64.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n2147483648\n' >input
dialogue_upto box shape >expected_stdout
report 'forrtl: severe (64): input conversion error, unit -4, file CONIN$' >expected_stderr
echo 64 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
