#!/usr/bin/env bash
# Two apostrophes in a row inside an apostrophe-quoted name stand for one: 'it''s.gro' names
# it's.gro, which is found and loaded; the input then ends at the shape prompt.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
two_waters_gro >"files/it's.gro"
printf "'it''s.gro'\n" >input
dialogue_upto box shape >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
