#!/usr/bin/env bash
# A typed name of 83 characters is kept to its first 80 (the file-name field is 80
# characters long): those 80 name an existing file, which is loaded.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
# shellcheck source=../../session_tools.sh
. ../../session_tools.sh
reset_case
mkdir files expected_files
name=$(printf 'a%.0s' {1..76}).gro
two_waters_gro >"files/$name"
printf '%sxyz\n' "$name" >input
dialogue_upto box shape >expected_stdout
report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$' >expected_stderr
echo 24 >expected_status
: >expected_files/result.gro
: >expected_files/list.ndx
echo residue.txt >absent
