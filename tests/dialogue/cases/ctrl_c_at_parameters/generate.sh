#!/usr/bin/env bash
# Ctrl+C (SIGINT) while the tool waits for the box numbers: exactly one report line, no
# traceback, exit status 0; result.gro and list.ndx stay as they were (empty).
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
echo 'INT e.g. 0.1,1.12,-99,99,1,2.5' >signal
dialogue_upto box params >expected_stdout
report 'forrtl: error (200): program aborting due to control-C event' >expected_stderr
echo 0 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
