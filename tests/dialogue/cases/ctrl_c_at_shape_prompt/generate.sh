#!/usr/bin/env bash
# Ctrl+C at the shape prompt, after the result files were created: one report line, exit
# status 0, and the result files stay as they were (empty).
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir files expected_files
../../../../examples/make_examples.sh --waters 3 --output files/small.gro
printf 'small.gro\n' >input
echo 'INT Input 1/2/3/4/5/6' >signal
{ banner; blank; shape_menu; } >expected_stdout
report 'forrtl: error (200): program aborting due to control-C event' >expected_stderr
echo 0 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
