#!/usr/bin/env bash
# Ctrl+C while the tool waits in the (A5) read of the atom name: one report line, exit
# status 0, the result files still empty.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf 'two.gro\n5\n1 0 2 1 1\nyes\n' >input
echo "INT If you don't want to specify atom type" >signal
dialogue_upto cylinder atom >expected_stdout
report 'forrtl: error (200): program aborting due to control-C event' >expected_stderr
echo 0 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
