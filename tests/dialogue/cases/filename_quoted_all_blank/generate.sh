#!/usr/bin/env bash
# A quoted name of blanks only: the name is empty once its blanks are removed, and an empty
# name does not exist, so the missing-file path follows (message, wait, status 0, no file).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
rmdir files expected_files
printf "'   '\nany line\n" >input
{ banner; blank; con "File not found,press any key to exit"; } >expected_stdout
echo 0 >expected_status
printf '%s\n' result.gro list.ndx residue.txt >absent
