#!/usr/bin/env bash
# a closed console (SIGHUP) while the tool waits at the file-name prompt: exactly one report line, no
# traceback, exit status 2.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
: >input
echo 'HUP input filename' >signal
banner >expected_stdout
report 'forrtl: error (200): program aborting due to window-CLOSE event' >expected_stderr
echo 2 >expected_status
printf '%s\n' result.gro list.ndx >absent
