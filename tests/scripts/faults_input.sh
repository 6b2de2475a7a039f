#!/usr/bin/env bash
# Hostile input at scale on the real tool: 50 MB lines, NUL bytes and binary garbage in the
# coordinate file, counts far beyond the file's lines (under ulimit -v), numbers of 10 000
# digits in console answers and in the count field, and repeat counts of every depth. Each
# case checks the report line, the exit status and the bytes of the result files. The big inputs are generated here, in a scratch directory.
#
# Usage: faults_input.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/../dialogue/case_tools.sh
. "$source_dir/tests/dialogue/case_tools.sh"
# shellcheck source=SCRIPTDIR/../dialogue/session_tools.sh
. "$source_dir/tests/dialogue/session_tools.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-input.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)
tool_env+=(FOR_DISABLE_STACK_TRACE=1)

# shellcheck source=SCRIPTDIR/../dialogue/check_tools.sh
. "$source_dir/tests/dialogue/check_tools.sh"
skipped=0
skip() { echo "SKIP $1: $2"; skipped=$((skipped + 1)); }

# AddressSanitizer reserves terabytes of address space at start: no ulimit -v for it.
sanitized=false
if grep -qa __asan_init "$binary"; then sanitized=true; fi

same_bytes() {  # what, file, command...
  local what=$1 actual=$2
  shift 2
  if [[ ! -e $actual ]]; then
    problem "$what: missing"
  elif ! cmp -s <("$@") "$actual"; then
    problem "$what differs (cat -A view):"$'\n'"$(diff <("$@" | cat -A) <(cat -A "$actual") | head -c 3000)"
  fi
}

# Runs the tool in the case directory $dir with console input from the file $dir/.input;
# `limit` is an optional ulimit -v in KiB. Leaves status, dir.
run_tool() {  # [limit]
  local limit=${1:-}
  (
    cd "$dir" || exit 125
    if [[ -n $limit ]]; then ulimit -v "$limit" || exit 125; fi
    exec env "${tool_env[@]}" timeout -k 2 60 "$binary" <.input >.stdout 2>.stderr
  )
  status=$?
}
new_case() { dir=$scratch/$1; mkdir "$dir"; }

expect_status() { [[ $status == "$1" ]] || problem "exit status $status, expected $1"; }
expect_no_report() { [[ ! -s $dir/.stderr ]] || problem "unexpected report: $(head -c 300 "$dir/.stderr")"; }

# The whole session that selects all six atoms of the two waters (box -9..9, "no", any, any).
expect_everything() {
  expect_status 0
  expect_no_report
  same_bytes stdout "$dir/.stdout" session box 6 2 no
  same_bytes result.gro "$dir/result.gro" everything_result 6 < <(two_waters_lines 1 2 3 4 5 6)
  same_bytes list.ndx "$dir/list.ndx" eval "printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6"
}

# A severe report for the console input and the console output up to the prompt.
expect_console_report() {  # number, text, console-until command...
  local number=$1 text=$2
  shift 2
  expect_status "$number"
  same_bytes stderr "$dir/.stderr" report "forrtl: severe ($number): $text, unit -4, file CONIN\$"
  same_bytes stdout "$dir/.stdout" "$@"
}

repeat() { printf "%$2s" '' | tr ' ' "$1"; }  # repeat CHAR COUNT
everything_answers() { printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\nany\nany\n\n'; }
water_atoms() { printf '%s\n' "${two_waters_atoms[@]}"; }
box_line() { printf '   2.00000   2.00000   2.00000\n'; }

# --- 50 MB lines ------------------------------------------------------------------------------

new_case title_of_50_mb
{ repeat T 52428800; printf '\n    6\n'; water_atoms; box_line; } >"$dir/two.gro"
everything_answers >"$dir/.input"
run_tool
expect_everything
finish title_of_50_mb

# The first atom line goes on for 50 MB after its 68 columns, which are all that is read.
new_case atom_line_of_50_mb
{
  printf 'Long atom line\n    6\n%s' "${two_waters_atoms[0]}"
  repeat x 52428800
  printf '\n'
  printf '%s\n' "${two_waters_atoms[@]:1}"
  box_line
} >"$dir/two.gro"
everything_answers >"$dir/.input"
run_tool
expect_everything
finish atom_line_of_50_mb

# --- NUL bytes and binary garbage -------------------------------------------------------------

# Every byte value but the line feed, in order; the title is skipped whatever it holds, and as
# an atom line its first field holds control characters, so it is skipped as unreadable.
garbage() { for ((b = 1; b < 256; b++)); do ((b == 10)) || printf "\\$(printf '%03o' "$b")"; done; }
new_case nul_bytes_and_garbage
{
  garbage
  printf '\n    5\n%s\n' "${two_waters_atoms[0]}"
  garbage
  printf '\n'
  # A NUL in a name column is a character of the name; in a number column the line is unreadable.
  printf '    1SO\000L   HW1    2   0.150   0.250   0.300  0.0100  0.0200 -0.0300\n'
  printf '    1SOL    HW2    3   0.0\00050   0.250   0.300 -0.1000  0.0000  0.0500\n'
  printf '%s\n' "${two_waters_atoms[3]}"
  box_line
} >"$dir/two.gro"
everything_answers >"$dir/.input"
run_tool
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 3 2 no
same_bytes result.gro "$dir/result.gro" everything_result 3 < <(
  printf '%s\r\n' "${two_waters_atoms[0]}"
  printf '    1SO\000L   HW1    2   0.150   0.250   0.300  0.0100  0.0200 -0.0300\r\n'
  printf '%s\r\n' "${two_waters_atoms[3]}"
)
same_bytes list.ndx "$dir/list.ndx" eval "printf ' [selected-atoms]\r\n'; ndx_rows 1 2 4"
finish nul_bytes_and_garbage

# --- Counts beyond the file -------------------------------------------------------------------

nothing_result() {  # the result.gro of a box session that selected nothing
  printf 'x/y/z-min/max  -9.00 -9.00 -9.00  9.00  9.00  9.00 atom:any  resid:any  \r\n'
  printf '%12d\r\n' 0
  printf '   9.00000   9.00000   9.00000\r\n'
}

new_case count_99999_without_atom_lines
printf 'Nothing after the count\n99999\n' >"$dir/two.gro"
everything_answers >"$dir/.input"
run_tool
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 0 0 no
same_bytes result.gro "$dir/result.gro" nothing_result
same_bytes list.ndx "$dir/list.ndx" printf ' [selected-atoms]\r\n'
finish count_99999_without_atom_lines

# Two thousand million announced, three atom lines there: the table is bounded by what the
# file can hold, so the run needs little memory (a 300 MB address-space limit, where the
# announced table alone would be 88 GB) and time.
new_case count_2000000000_with_three_lines
{ printf 'Three of two thousand million\n2000000000\n'; printf '%s\n' "${two_waters_atoms[@]:0:3}"; } >"$dir/two.gro"
everything_answers >"$dir/.input"
if $sanitized; then
  run_tool
else
  run_tool 307200
fi
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 3 1 no
same_bytes result.gro "$dir/result.gro" everything_result 3 < <(two_waters_lines 1 2 3)
same_bytes list.ndx "$dir/list.ndx" eval "printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3"
finish count_2000000000_with_three_lines

# 99 999 999 atoms (4.4 GB as a table) announced in an 8 GiB sparse file that could hold
# them, under a 2 GiB address-space limit: the atom lines are streamed and nothing the size of
# the file is held, so the run ends normally (its one line of NUL bytes holds no atom).
name=count_99999999_in_a_sparse_file
if $sanitized; then
  skip $name "the sanitizer build cannot run under ulimit -v"
else
  new_case $name
  printf 'Sparse\n99999999\n' >"$dir/two.gro"
  if ! truncate -s 8G "$dir/two.gro" 2>/dev/null; then
    skip $name "no sparse files here"
  else
    printf 'earlier\r\n' >"$dir/result.gro"
    everything_answers >"$dir/.input"
    run_tool 2097152
    expect_status 0
    expect_no_report
    same_bytes stdout "$dir/.stdout" session box 0 0 no
    same_bytes result.gro "$dir/result.gro" nothing_result
    same_bytes list.ndx "$dir/list.ndx" printf ' [selected-atoms]\r\n'
    finish $name
  fi
fi

# --- Numbers of 10 000 digits -----------------------------------------------------------------

zeros=$(repeat 0 10000)

# The shape 1 behind 10 000 zeros, and box numbers of 10 000 digits that are exactly -9 and 9.
new_case ten_thousand_digits_that_fit
printf 'two.gro\n%s1\n-9.%s %s9 -%s9 9.%s -9.%se0 +9.%sD0\nno\nany\nany\n\n' \
  "$zeros" "$zeros" "$zeros" "$zeros" "$zeros" "$zeros" "$zeros" >"$dir/.input"
{ two_waters_gro; } >"$dir/two.gro"
run_tool
expect_everything
finish ten_thousand_digits_that_fit

new_case shape_of_ten_thousand_digits
printf 'two.gro\n1%s\n' "$zeros" >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_console_report 64 'input conversion error' dialogue_upto box shape
same_bytes result.gro "$dir/result.gro" printf ''
finish shape_of_ten_thousand_digits

new_case box_number_beyond_float
printf 'two.gro\n1\n-9 1%s -9 9 -9 9\n' "$zeros" >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_console_report 64 'input conversion error' dialogue_upto box params
finish box_number_beyond_float

# A value below the smallest float is 0: the box 0..9 holds the second water only.
new_case box_number_below_float
printf 'two.gro\n1\n0.%s1 9 -9 9 -9 9\nno\nany\nany\n\n' "$zeros" >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 6 2 no
finish box_number_below_float

new_case file_name_of_ten_thousand_characters
printf '%s\n' "$(repeat n 10000)" >"$dir/.input"
run_tool
expect_console_report 59 'list-directed I/O syntax error' banner
[[ ! -e $dir/result.gro ]] || problem "result.gro was created"
finish file_name_of_ten_thousand_characters

# (A5) takes the first five characters of a 10 005-character line.
new_case atom_name_answer_of_ten_thousand_characters
printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\nOW   %s\nany\n\n' "$(repeat x 10000)" >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 2 2 no
same_bytes list.ndx "$dir/list.ndx" eval "printf ' [selected-atoms]\r\n'; ndx_rows 1 4"
finish atom_name_answer_of_ten_thousand_characters

# The count field runs on past column 5: 10 000 zeros and then 6 are the count 6.
new_case count_of_ten_thousand_digits
{ printf 'Long count\n%s6\n' "$zeros"; water_atoms; box_line; } >"$dir/two.gro"
everything_answers >"$dir/.input"
run_tool
expect_everything
finish count_of_ten_thousand_digits

new_case count_beyond_32_bits
{ printf 'Long count\n1%s\n' "$zeros"; water_atoms; box_line; } >"$dir/two.gro"
everything_answers >"$dir/.input"
run_tool
expect_status 64
same_bytes stderr "$dir/.stderr" report \
  "forrtl: severe (64): input conversion error, unit 10, file $(cd "$dir" && pwd -P)/two.gro"
same_bytes stdout "$dir/.stdout" eval 'banner; blank'
finish count_beyond_32_bits

# --- Repeat counts ----------------------------------------------------------------------------

# A count of 10 000 nines for six items: six copies of -9, a box of no extent.
new_case repeat_count_of_ten_thousand_digits
printf 'two.gro\n1\n%s*-9\nno\nany\nany\n\n' "$(repeat 9 10000)" >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 0 0 no
same_bytes result.gro "$dir/result.gro" eval \
  "printf 'x/y/z-min/max  -9.00 -9.00 -9.00 -9.00 -9.00 -9.00 atom:any  resid:any  \r\n%12d\r\n  -9.00000  -9.00000  -9.00000\r\n' 0"
finish repeat_count_of_ten_thousand_digits

# 100 000 repeated values on one line: the first six serve, the rest is discarded with the line.
new_case hundred_thousand_repeat_groups
{
  printf 'two.gro\n1\n'
  for ((i = 0; i < 50000; i++)); do printf '1*-9,1*9 '; done
  printf '\nno\nany\nany\n\n'
} >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_everything
finish hundred_thousand_repeat_groups

# A huge count of null values: every item keeps 0.0, and the statement needs no further line.
new_case huge_count_of_null_values
printf 'two.gro\n1\n99999999999999999999*\nno\nany\nany\n\n' >"$dir/.input"
two_waters_gro >"$dir/two.gro"
run_tool
expect_status 0
expect_no_report
same_bytes stdout "$dir/.stdout" session box 0 0 no
same_bytes result.gro "$dir/result.gro" eval \
  "printf 'x/y/z-min/max   0.00  0.00  0.00  0.00  0.00  0.00 atom:any  resid:any  \r\n%12d\r\n   0.00000   0.00000   0.00000\r\n' 0"
finish huge_count_of_null_values

echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))
