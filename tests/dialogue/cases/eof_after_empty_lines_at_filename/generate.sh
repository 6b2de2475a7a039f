#!/usr/bin/env bash
# Empty and all-blank lines at the file-name prompt are passed over while a value is sought;
# the input then ends.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
printf '\n   \n\r\n' >input
banner >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
printf '%s\n' result.gro list.ndx >absent
