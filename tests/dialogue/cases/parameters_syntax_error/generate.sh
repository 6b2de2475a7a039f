#!/usr/bin/env bash
# A letter among the box numbers: report 59 for the console input unit; the result files
# created after loading stay empty.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n1\n0 1 x 1 0 1\n' >input
dialogue_upto box params >expected_stdout
report 'forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$' >expected_stderr
echo 59 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
