#!/usr/bin/env bash
# End-to-end dialogue tests: runs gro-region once per case directory in a fresh scratch
# directory and compares console output, report lines, exit status and files byte for byte.
# The case format is described in README.md beside this script.
#
# Usage: run_cases.sh BINARY CASES_DIR [CASE_NAME...]
# Environment: DIALOGUE_TIMEOUT (seconds per case, default 20), DIALOGUE_KEEP=1 keeps the
# scratch directory of a failed case and prints its path.
set -uo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: run_cases.sh BINARY CASES_DIR [CASE_NAME...]" >&2
  exit 2
fi

binary=$1
cases_dir=$2
shift 2
limit=${DIALOGUE_TIMEOUT:-20}
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

if [[ $binary != /* ]]; then binary=$PWD/$binary; fi
if [[ ! -x $binary ]]; then
  echo "run_cases.sh: no executable at $binary (build it first)" >&2
  exit 2
fi
if [[ ! -d $cases_dir ]]; then
  echo "run_cases.sh: no case directory $cases_dir" >&2
  exit 2
fi
cases_dir=$(cd "$cases_dir" && pwd)

# The tool reads FOR_* (and FORT0) switches; a case sees only those it asks for.
base_env=()
while IFS= read -r name; do
  base_env+=(-u "$name")
done < <(compgen -e | grep '^FOR' || true)
base_env+=(FOR_DISABLE_STACK_TRACE=1)

failures=()  # details of the current case, printed after its result line

fail() { failures+=("$*"); }

# Shows two byte strings in a form where CR, tabs and missing final line ends are visible.
show_difference() {
  local expected=$1 actual=$2
  diff -u --label expected --label actual <(cat -A "$expected") <(cat -A "$actual") | head -n 40
}

compare_file() {
  local what=$1 expected=$2 actual=$3
  if [[ ! -e $actual ]]; then
    fail "$what: missing"
  elif ! cmp -s "$expected" "$actual"; then
    fail "$what differs (cat -A view; ^M is CR, \$ is LF):"$'\n'"$(show_difference "$expected" "$actual")"
  fi
}

# Extra VAR=value lines of the case's env file (blank lines and # comments skipped).
read_case_env() {
  local file=$1 line
  case_env=()
  [[ -f $file ]] || return 0
  while IFS= read -r line || [[ -n $line ]]; do
    [[ -z $line || $line == \#* ]] && continue
    if [[ ! $line =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; then
      fail "env: not a VAR=value line: $line"
      return 1
    fi
    case_env+=("$line")
  done <"$file"
}

# Copies the case's files: files/ as it stands, and the repository files named in `copy`
# (one path relative to the repository root per line, optionally followed by a new name).
prepare_scratch() {
  local case=$1 work=$2 source target
  if [[ -d $case/files ]]; then
    cp -R "$case/files/." "$work/" || { fail "cannot copy files/"; return 1; }
  fi
  if [[ -f $case/copy ]]; then
    while read -r source target || [[ -n $source ]]; do
      [[ -z $source || $source == \#* ]] && continue
      target=${target:-$(basename "$source")}
      cp "$repo_root/$source" "$work/$target" || { fail "copy: cannot copy $source"; return 1; }
    done <"$case/copy"
  fi
}

# Runs the binary with stdin from the input file, bounded by the time limit.
run_plain() {
  local case=$1 work=$2 out=$3
  (cd "$work" && exec env "${base_env[@]}" "${case_env[@]}" \
    timeout -k 2 "$limit" "$binary" <"$case/input" >"$out/stdout" 2>"$out/stderr")
  status=$?
  if [[ $status -eq 124 || $status -eq 137 ]]; then
    fail "timed out after $limit s (still waiting for input?)"
  fi
}

# Starts the binary with stdin from a fifo that stays open, writes the input, waits until
# stdout holds the given text, then sends the signal (signal file: "INT text to wait for").
run_with_signal() {
  local case=$1 work=$2 out=$3 request signal text pid fifo_fd tries
  request=$(<"$case/signal")
  signal=${request%% *}
  text=${request#* }
  if [[ -z $signal || $text == "$request" || -z $text ]]; then
    fail "signal: expected 'SIGNAL text to wait for', got '$request'"
    return 1
  fi
  mkfifo "$out/stdin"
  # Read-write open of a fifo never blocks, and keeps a writer so the tool never sees an
  # end of input while it waits for the signal.
  exec {fifo_fd}<>"$out/stdin"
  # Job control gives the child its own process group without SIGINT/SIGQUIT ignored,
  # as a program started from a terminal has them.
  set -m
  (cd "$work" && exec {fifo_fd}>&- && exec env "${base_env[@]}" "${case_env[@]}" \
    "$binary" <"$out/stdin" >"$out/stdout" 2>"$out/stderr") &
  pid=$!
  set +m
  cat "$case/input" >&"$fifo_fd"

  tries=$((limit * 20))
  until grep -qF -- "$text" "$out/stdout" 2>/dev/null; do
    if ! kill -0 "$pid" 2>/dev/null || ((--tries <= 0)); then break; fi
    sleep 0.05
  done
  if ((tries > 0)) && kill -0 "$pid" 2>/dev/null; then
    kill -s "$signal" "$pid"
  else
    fail "the prompt '$text' did not appear while the tool was running"
  fi

  tries=$((limit * 20))
  while kill -0 "$pid" 2>/dev/null && ((--tries > 0)); do sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "still running $limit s after SIG$signal; killed"
    kill -s KILL "$pid" 2>/dev/null
  fi
  wait "$pid"
  status=$?
  exec {fifo_fd}>&-
  rm -f "$out/stdin"
}

# Runs one case; returns 0 when every comparison holds.
run_case() {
  local case=$1 root work out expected_status name
  failures=()
  for name in input expected_stdout expected_status; do
    [[ -f $case/$name ]] || fail "the case has no $name file"
  done
  ((${#failures[@]} == 0)) || return 1
  read_case_env "$case/env" || return 1

  root=$(mktemp -d "${TMPDIR:-/tmp}/gro-dialogue.XXXXXX") || { fail "mktemp failed"; return 1; }
  work=$root/work
  out=$root/out
  mkdir "$work" "$out"
  if prepare_scratch "$case" "$work"; then
    if [[ -f $case/signal ]]; then
      run_with_signal "$case" "$work" "$out"
    else
      run_plain "$case" "$work" "$out"
    fi

    expected_status=$(tr -d ' \t\r\n' <"$case/expected_status")
    if [[ $status != "$expected_status" ]]; then
      fail "exit status $status, expected $expected_status"
    fi
    compare_file stdout "$case/expected_stdout" "$out/stdout"
    if [[ -f $case/expected_stderr ]]; then
      compare_file stderr "$case/expected_stderr" "$out/stderr"
    elif [[ -s $out/stderr ]]; then
      fail "stderr should be empty (cat -A view):"$'\n'"$(cat -A "$out/stderr" | head -n 20)"
    fi
    if [[ -d $case/expected_files ]]; then
      while IFS= read -r -d '' expected; do
        name=${expected#"$case/expected_files/"}
        compare_file "file $name" "$expected" "$work/$name"
      done < <(find "$case/expected_files" -type f -print0 | sort -z)
    fi
    if [[ -f $case/absent ]]; then
      while IFS= read -r name || [[ -n $name ]]; do
        [[ -z $name || $name == \#* ]] && continue
        if [[ -e $work/$name ]]; then fail "file $name should not exist"; fi
      done <"$case/absent"
    fi
  fi

  if ((${#failures[@]} > 0)) && [[ ${DIALOGUE_KEEP:-} == 1 ]]; then
    fail "scratch directory kept: $root"
  else
    rm -rf "$root"
  fi
  ((${#failures[@]} == 0))
}

selected=()
if [[ $# -gt 0 ]]; then
  for name in "$@"; do selected+=("$cases_dir/$name"); done
else
  for dir in "$cases_dir"/*/; do
    [[ -d $dir ]] && selected+=("${dir%/}")
  done
fi

passed=0
failed=0
for case in "${selected[@]}"; do
  name=$(basename "$case")
  if [[ ! -d $case ]]; then
    echo "FAIL $name: no such case"
    failed=$((failed + 1))
    continue
  fi
  if run_case "$case"; then
    echo "PASS $name"
    passed=$((passed + 1))
  else
    echo "FAIL $name"
    if [[ -f $case/needs ]]; then
      echo "  (this case needs: $(tr '\n' ' ' <"$case/needs"))"
    fi
    for detail in "${failures[@]}"; do
      printf '  %s\n' "${detail//$'\n'/$'\n'  }"
    done
    failed=$((failed + 1))
  fi
done

echo "$passed passed, $failed failed"
((failed == 0))
