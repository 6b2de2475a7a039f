#!/usr/bin/env bash
# An unquoted file name ends at its first blank: "my file.gro" looks for "my", which does not
# exist, although "my file.gro" does.
set -euo pipefail
cd "$(dirname "$0")"
# shellcheck source=../../case_tools.sh
. ../../case_tools.sh
reset_case
mkdir files
../../../../examples/make_examples.sh --waters 3 --output "files/my file.gro"
printf 'my file.gro\n\n' >input
{ banner; blank; con "File not found,press any key to exit"; } >expected_stdout
echo 0 >expected_status
printf '%s\n' result.gro list.ndx residue.txt >absent
