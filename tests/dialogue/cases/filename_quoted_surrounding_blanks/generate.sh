#!/usr/bin/env bash
# Blanks inside the quotes around a name ("'  two.gro  '") are part of the answer, but the
# existence test and the open remove leading and trailing blanks: two.gro is found.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf "'  two.gro  '\n" >input
dialogue_upto box shape >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
