#!/usr/bin/env bash
# End of console input at the residue name prompt, read through (A5): report 24.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n4\n0 0 0 1\nyes\nOW\n' >input
dialogue_upto ball resid >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
# Created empty right after loading; nothing had been written to them yet.
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
