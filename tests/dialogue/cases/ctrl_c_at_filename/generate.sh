#!/usr/bin/env bash
# Ctrl+C (SIGINT) while the tool waits at the file-name prompt: exactly one report line, no
# traceback, exit status 0.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
: >input
echo 'INT input filename' >signal
banner >expected_stdout
report 'forrtl: error (200): program aborting due to control-C event' >expected_stderr
echo 0 >expected_status
printf '%s\n' result.gro list.ndx >absent
