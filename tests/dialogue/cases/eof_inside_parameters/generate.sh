#!/usr/bin/env bash
# End of console input after three of the four ball numbers, typed over two lines with an
# empty line between: the statement still needs a value, so report 24.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n2\n0.1 0.2\n\n0.3\n' >input
dialogue_upto ball params >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
# Created empty right after loading; nothing had been written to them yet.
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
