#!/usr/bin/env bash
# End-to-end checks of the coordinate-file loader whose expected output depends on where the
# run happens: reports for an unreadable title or count name unit 10 and the file's full
# path, so the expected line is computed here from the scratch directory's real path. Also a
# real file of more than 99999 atoms, whose six-digit count must be read in full.
#
# Usage: loader_reports.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/../dialogue/case_tools.sh
. "$source_dir/tests/dialogue/case_tools.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-loader.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

# The tool sees no FOR* switch of the caller, and severe reports come without a traceback.
tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)
tool_env+=(FOR_DISABLE_STACK_TRACE=1)

failed=0
problems=()
problem() { problems+=("$*"); }

# Runs the tool in directory $1 with console input $2; leaves out, err and status.
run_tool() {
  (cd "$1" && exec env "${tool_env[@]}" timeout -k 2 60 "$binary") \
    <<<"$2" >"$1/.stdout" 2>"$1/.stderr"
  status=$?
}

# Compares a file with the expected bytes, which a command writes on its standard output
# (command substitution would drop the final line end).
same_bytes() {  # what, file, command...
  local what=$1 actual=$2
  shift 2
  if ! cmp -s <("$@") "$actual"; then
    problem "$what differs (cat -A view):"$'\n'"$(diff <("$@" | cat -A) <(cat -A "$actual") | head -n 20)"
  fi
}

console_until_load() { banner; blank; }

finish() {  # case name
  if ((${#problems[@]} == 0)); then
    echo "PASS $1"
  else
    echo "FAIL $1"
    printf '  %s\n' "${problems[@]//$'\n'/$'\n'  }"
    failed=$((failed + 1))
  fi
  problems=()
}

# A coordinate file whose title or count line cannot be read: the report for unit 10 with
# the full path, exit status = report number, and no result file created (an older
# result.gro stays as it was).
expect_load_report() {  # case name, file bytes (printf format), report number, report text
  local name=$1 bytes=$2 number=$3 text=$4 dir
  dir=$scratch/$name
  mkdir "$dir"
  # shellcheck disable=SC2059
  printf "$bytes" >"$dir/bad.gro"
  printf 'from an earlier run\r\n' >"$dir/result.gro"
  run_tool "$dir" $'bad.gro\n1\n'
  [[ $status == "$number" ]] || problem "exit status $status, expected $number"
  same_bytes stdout "$dir/.stdout" console_until_load
  same_bytes stderr "$dir/.stderr" \
    report "forrtl: severe ($number): $text, unit 10, file $(cd "$dir" && pwd -P)/bad.gro"
  same_bytes "earlier result.gro" "$dir/result.gro" printf 'from an earlier run\r\n'
  [[ ! -e $dir/list.ndx ]] || problem "list.ndx was created"
  [[ ! -e $dir/residue.txt ]] || problem "residue.txt was created"
  finish "$name"
}

expect_load_report empty_file '' 24 'end-of-file during read'
expect_load_report title_only 'Water box\n' 24 'end-of-file during read'
expect_load_report title_without_line_feed 'Water box' 24 'end-of-file during read'
expect_load_report count_with_letters 'Water box\n   ab\n    1SOL     OW    1   0.100   0.200   0.300\n' \
  64 'input conversion error'
expect_load_report count_with_point 'Water box\n  3.0\n    1SOL     OW    1   0.100   0.200   0.300\n' \
  64 'input conversion error'

# A directory passes the existence test, but it cannot be opened as a file: report 9.
name=directory_as_file
dir=$scratch/$name
mkdir -p "$dir/bad.gro"
run_tool "$dir" $'bad.gro\n1\n'
[[ $status == 9 ]] || problem "exit status $status, expected 9"
same_bytes stdout "$dir/.stdout" console_until_load
same_bytes stderr "$dir/.stderr" report \
  "forrtl: severe (9): permission to access file denied, unit 10, file $(cd "$dir" && pwd -P)/bad.gro"
[[ ! -e $dir/result.gro && ! -e $dir/list.ndx ]] || problem "a result file was created"
finish "$name"

# 33334 waters, 100002 atoms: the count line reads 100002 in six columns. Every atom lies in
# the box -99..99, so all of them are selected; a count cut to its first five columns
# (10000) would select 10000.
name=six_digit_count
dir=$scratch/$name
mkdir "$dir"
sh "$source_dir/examples/make_examples.sh" --waters 33334 --output "$dir/big.gro"
if [[ $(sed -n 2p "$dir/big.gro") != 100002 ]]; then
  problem "make_examples.sh did not write the count line 100002"
else
  run_tool "$dir" $'big.gro\n1\n-99 99 -99 99 -99 99\nno\nany\nany\n'
  [[ $status == 0 ]] || problem "exit status $status, expected 0"
  grep -qxF "$(con_count 'The number of atoms correspond condition is: ' 100002)" "$dir/.stdout" ||
    problem "printed atom count is not 100002"
  grep -qxF "$(con_count 'The number of residue correspond condition is: ' 33334)" "$dir/.stdout" ||
    problem "printed residue count is not 33334"
  [[ $(sed -n 2p "$dir/result.gro") == "$(printf '%12d\r' 100002)" ]] ||
    problem "count line of result.gro is not 100002"
  lines=$(wc -l <"$dir/result.gro")
  ((lines == 100002 + 3)) || problem "result.gro has $lines lines, expected 100005"
  lines=$(wc -l <"$dir/list.ndx")
  ((lines == 1 + 10001)) || problem "list.ndx has $lines lines, expected 10002"
  # The atom lines are the input's, rewritten with CR LF: the generator writes canonical lines.
  cmp -s <(sed -n '3,100004p' "$dir/big.gro") <(sed -n '3,100004p' "$dir/result.gro" | tr -d '\r') ||
    problem "the atom lines of result.gro are not those of the input"
fi
finish "$name"

((failed == 0))
