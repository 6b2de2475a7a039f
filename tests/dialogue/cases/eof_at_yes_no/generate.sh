#!/usr/bin/env bash
# End of console input at the yes/no prompt (an empty line first, which is passed over).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n5\n1 0 2 1 1\n\n' >input
dialogue_upto cylinder answer >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
# Created empty right after loading; nothing had been written to them yet.
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
