#!/usr/bin/env bash
# Lines of any length in bounded memory, on the real tool: a coordinate file whose title goes on
# for 1 GiB, or whose count line or last atom line goes on for 256 MiB, ends exactly as the same
# file with a short line does, with a peak resident size under 64 MiB; a console answer line of
# 1 GiB ends in report 22 instead of taking the machine's memory. The files are fed through a FIFO, so nothing that
# large is ever stored; peak memory is GNU time's maximum resident set size (%M).
#
# Usage: long_lines.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/../dialogue/case_tools.sh
. "$source_dir/tests/dialogue/case_tools.sh"
# shellcheck source=SCRIPTDIR/../dialogue/session_tools.sh
. "$source_dir/tests/dialogue/session_tools.sh"
# shellcheck source=SCRIPTDIR/../dialogue/check_tools.sh
. "$source_dir/tests/dialogue/check_tools.sh"

gnu_time=/usr/bin/time
if [[ ! -x $gnu_time ]]; then
  echo "SKIP: $gnu_time (Debian package time) is not installed"
  exit 77
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-lines.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)
tool_env+=(FOR_DISABLE_STACK_TRACE=1)

gib=$((1024 * 1024 * 1024))
quarter_gib=$((gib / 4))  # four times the memory limit, and a quarter of the time of 1 GiB
file_limit_kib=65536    # a coordinate-file line of any length
console_limit_kib=262144 # a console line is kept whole up to 64 MiB, then report 22


same_bytes() {  # what, file, command...
  local what=$1 actual=$2
  shift 2
  if [[ ! -e $actual ]]; then
    problem "$what: missing"
  elif ! cmp -s <("$@") "$actual"; then
    problem "$what differs (cat -A view):"$'\n'"$(diff <("$@" | cat -A) <(cat -A "$actual") | head -c 3000)"
  fi
}

new_case() { dir=$scratch/$1; mkdir "$dir"; }

# The tool in $dir with console input from the command in $1 (a shell function) and two.gro
# as it stands; leaves status and peak (KiB).
run_tool() {  # input-command
  "$1" | (
    cd "$dir" || exit 125
    exec timeout -k 2 120 "$gnu_time" -f %M -o .peak env "${tool_env[@]}" "$binary" \
      >.stdout 2>.stderr
  )
  status=${PIPESTATUS[1]}
  peak=$(tail -n 1 "$dir/.peak" 2>/dev/null)
}

# As run_tool, with two.gro a FIFO that the generator command (a shell function) feeds.
run_fed() {  # input-command, generator
  mkfifo "$dir/two.gro"
  "$2" >"$dir/two.gro" 2>/dev/null &
  local feeder=$!
  run_tool "$1"
  kill "$feeder" 2>/dev/null
  wait "$feeder" 2>/dev/null
}

expect_peak_below() {
  if [[ ! $peak =~ ^[0-9]+$ ]]; then
    problem "no peak memory measured"
  elif ((peak >= $1)); then
    problem "peak memory $peak KiB, limit $1 KiB"
  fi
}

everything_answers() { printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\nany\nany\n\n'; }
water_atoms() { printf '%s\n' "${two_waters_atoms[@]}"; }
box_line() { printf '   2.00000   2.00000   2.00000\n'; }
gib_of_nul() { head -c "$gib" /dev/zero; }
quarter_gib_of_nul() { head -c "$quarter_gib" /dev/zero; }

# Selecting all six atoms of the two waters: the normal session and files.
expect_everything() {
  [[ $status == 0 ]] || problem "exit status $status, expected 0"
  [[ ! -s $dir/.stderr ]] || problem "unexpected report: $(head -c 300 "$dir/.stderr")"
  same_bytes stdout "$dir/.stdout" session box 6 2 no
  same_bytes result.gro "$dir/result.gro" everything_result 6 < <(two_waters_lines 1 2 3 4 5 6)
  same_bytes list.ndx "$dir/list.ndx" eval "printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6"
}

# A zero-filled file typed by mistake: its title has no end, so the count line is missing, as
# in a file of one short line.
new_case title_of_1_gib_without_line_end
run_fed everything_answers gib_of_nul
[[ $status == 24 ]] || problem "exit status $status, expected 24"
same_bytes stderr "$dir/.stderr" report \
  "forrtl: severe (24): end-of-file during read, unit 10, file $(cd "$dir" && pwd -P)/two.gro"
same_bytes stdout "$dir/.stdout" eval 'banner; blank'
expect_peak_below $file_limit_kib
finish "title_of_1_gib_without_line_end (peak ${peak:-?} KiB)"

# Columns 1-5 hold the count; the NUL bytes after it are not digits and do not count.
long_count() { printf 'Long count\n    6'; quarter_gib_of_nul; printf '\n'; water_atoms; box_line; }
new_case count_line_of_256_mib
run_fed everything_answers long_count
expect_everything
expect_peak_below $file_limit_kib
finish "count_line_of_256_mib (peak ${peak:-?} KiB)"

# The last atom line: its 68 columns, then 256 MiB and the end of the file.
long_last_atom_line() {
  printf 'Long atom line\n    6\n'
  printf '%s\n' "${two_waters_atoms[@]:0:5}"
  printf '%s' "${two_waters_atoms[5]}"
  quarter_gib_of_nul
}
new_case last_atom_line_of_256_mib_without_line_end
run_fed everything_answers long_last_atom_line
expect_everything
expect_peak_below $file_limit_kib
finish "last_atom_line_of_256_mib_without_line_end (peak ${peak:-?} KiB)"

# A console answer of 1 GiB at the shape prompt.
endless_shape_answer() { printf 'two.gro\n'; gib_of_nul; }
new_case console_answer_of_1_gib
two_waters_gro >"$dir/two.gro"
run_tool endless_shape_answer
[[ $status == 22 ]] || problem "exit status $status, expected 22"
same_bytes stderr "$dir/.stderr" report 'forrtl: severe (22): input record too long, unit -4, file CONIN$'
same_bytes stdout "$dir/.stdout" dialogue_upto box shape
expect_peak_below $console_limit_kib
finish "console_answer_of_1_gib (peak ${peak:-?} KiB)"

summary
