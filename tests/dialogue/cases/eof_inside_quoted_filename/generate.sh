#!/usr/bin/env bash
# The file name's closing apostrophe never comes: the quoted text runs on over the line end
# and meets the end of input, report 24; no file has been created.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >files/two.gro
printf "'two.gro\n" >input
banner >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
rmdir expected_files
printf '%s\n' result.gro list.ndx >absent
