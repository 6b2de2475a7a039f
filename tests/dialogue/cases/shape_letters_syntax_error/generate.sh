#!/usr/bin/env bash
# "abc" for the shape: a number item whose value holds letters is a syntax error, report 59;
# the result files created after loading stay empty.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\nabc\n' >input
dialogue_upto box shape >expected_stdout
report 'forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$' >expected_stderr
echo 59 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
