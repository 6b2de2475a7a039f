#!/usr/bin/env bash
# No console input at all: the file-name read meets the end of input.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
: >input
banner >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
printf '%s\n' result.gro list.ndx >absent
