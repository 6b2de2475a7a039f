#!/usr/bin/env bash
# Ctrl+Z alone on a console line (here ended by CR LF) is the end of console input.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
printf '\032\r\nwater.gro\n' >input
banner >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
printf '%s\n' result.gro list.ndx >absent
