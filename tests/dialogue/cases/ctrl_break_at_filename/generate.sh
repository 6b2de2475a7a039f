#!/usr/bin/env bash
# Ctrl+Break (SIGQUIT) while the tool waits at the file-name prompt: exactly one report line, no
# traceback, exit status 1.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
: >input
echo 'QUIT input filename' >signal
banner >expected_stdout
report 'forrtl: error (200): program aborting due to control-BREAK event' >expected_stderr
echo 1 >expected_status
printf '%s\n' result.gro list.ndx >absent
