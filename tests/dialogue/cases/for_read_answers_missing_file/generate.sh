#!/usr/bin/env bash
# FOR_READ connects console input to a file: the answers come from answers.txt, not from
# standard input (which is empty here).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir files
printf 'nosuch.gro\n\n' >files/answers.txt
echo FOR_READ=answers.txt >./env
: >input
{ banner; blank; con "File not found,press any key to exit"; } >expected_stdout
echo 0 >expected_status
printf '%s\n' result.gro list.ndx residue.txt >absent
