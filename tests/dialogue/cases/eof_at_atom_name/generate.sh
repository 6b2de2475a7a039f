#!/usr/bin/env bash
# End of console input at the atom name prompt, which reads the line through (A5): the
# fixed-layout read meets the end of input, report 24 for the console input unit.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\n' >input
dialogue_upto box atom >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
# Created empty right after loading; nothing had been written to them yet.
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
