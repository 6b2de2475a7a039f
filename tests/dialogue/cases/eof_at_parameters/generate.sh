#!/usr/bin/env bash
# End of console input at the parameter prompt (six reals, none typed): report 24 for the
# console input unit; result.gro and list.ndx exist, still empty.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n1\n' >input
dialogue_upto box params >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
# Created empty right after loading; nothing had been written to them yet.
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
