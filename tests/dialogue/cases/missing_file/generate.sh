#!/usr/bin/env bash
# A file name that names nothing: the message, a wait for one line (its text ignored), then a
# stop with status 0 and no output file created.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
printf 'nosuch.gro\nanything\n' >input
{ banner; blank; con "File not found,press any key to exit"; } >expected_stdout
echo 0 >expected_status
printf '%s\n' result.gro list.ndx residue.txt >absent
