#!/usr/bin/env bash
# FOR_PRINT connects console output to a file: every console record goes to log.txt and
# nothing to standard output.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir expected_files
echo FOR_PRINT=log.txt >./env
printf 'nosuch.gro\n\n' >input
: >expected_stdout
{ banner; blank; con "File not found,press any key to exit"; } >expected_files/log.txt
echo 0 >expected_status
printf '%s\n' result.gro list.ndx residue.txt >absent
