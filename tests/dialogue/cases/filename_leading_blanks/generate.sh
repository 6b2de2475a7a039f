#!/usr/bin/env bash
# Leading blanks before the file name are skipped: the file is found and loaded, both result
# files are created empty, and the input ends at the shape prompt.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir files expected_files
../../../../examples/make_examples.sh --waters 3 --output files/small.gro
printf '   small.gro\n' >input
{ banner; blank; shape_menu; } >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
