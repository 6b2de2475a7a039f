#!/usr/bin/env bash
# Console events and a closed console at every prompt of the dialogue, on the real tool:
# Ctrl+C (SIGINT), Ctrl+Break (SIGQUIT) and a closed console window (SIGHUP) each give exactly
# one report line and exit status 0, 1 or 2; console input closed while a prompt waits gives
# report 24 for unit -4. In every case the files hold exactly the records completed so far:
# none before the coordinate file is loaded, empty result.gro and list.ndx while the region is
# asked for, and the whole results at the final wait.
#
# Usage: faults_signals.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/../dialogue/case_tools.sh
. "$source_dir/tests/dialogue/case_tools.sh"
# shellcheck source=SCRIPTDIR/../dialogue/session_tools.sh
. "$source_dir/tests/dialogue/session_tools.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-faults.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)
tool_env+=(FOR_DISABLE_STACK_TRACE=1)

# shellcheck source=SCRIPTDIR/../dialogue/check_tools.sh
. "$source_dir/tests/dialogue/check_tools.sh"

# Compares a file with the bytes a command writes.
same_bytes() {  # what, file, command...
  local what=$1 actual=$2
  shift 2
  if [[ ! -e $actual ]]; then
    problem "$what: missing"
  elif ! cmp -s <("$@") "$actual"; then
    problem "$what differs (cat -A view):"$'\n'"$(diff <("$@" | cat -A) <(cat -A "$actual") | head -n 20)"
  fi
}

# --- The prompts: console input typed before it, the text that shows it is up, the console
# output until then, and what the files hold while it waits.
prompts=(filename missing_wait shape params answer atom resid final_wait)
typed() {
  case $1 in
    filename) printf '' ;;
    missing_wait) printf 'absent.gro\n' ;;
    shape) printf 'two.gro\n' ;;
    params) printf 'two.gro\n1\n' ;;
    answer) printf 'two.gro\n1\n-9 9 -9 9 -9 9\n' ;;
    atom) printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\n' ;;
    resid) printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\nany\n' ;;
    final_wait) printf 'two.gro\n1\n-9 9 -9 9 -9 9\nno\nany\nany\n' ;;
  esac
}
shown_by() {
  case $1 in
    filename) echo 'input filename' ;;
    missing_wait) echo 'File not found,press any key to exit' ;;
    shape) echo 'Input 1/2/3/4/5/6' ;;
    params) echo 'e.g. 0.1,1.12,-99,99,1,2.5' ;;
    answer) echo 'Input yes or no' ;;
    atom) echo 'specify atom type' ;;
    resid) echo 'specify residue name' ;;
    final_wait) echo 'Press any key to exit' ;;
  esac
}
console_until() {
  case $1 in
    filename) banner ;;
    missing_wait) banner; blank; con 'File not found,press any key to exit' ;;
    shape) dialogue_upto box shape ;;
    params) dialogue_upto box params ;;
    answer) dialogue_upto box answer ;;
    atom) dialogue_upto box atom ;;
    resid) dialogue_upto box resid ;;
    final_wait) session box 6 2 no ;;
  esac
}
# Checks the files of the scratch directory $2 while prompt $1 waited.
check_files() {
  local prompt=$1 dir=$2
  case $prompt in
    filename | missing_wait)
      [[ ! -e $dir/result.gro && ! -e $dir/list.ndx ]] || problem "a result file was created"
      ;;
    final_wait)
      same_bytes result.gro "$dir/result.gro" everything_result 6 < <(two_waters_lines 1 2 3 4 5 6)
      same_bytes list.ndx "$dir/list.ndx" eval "printf ' [selected-atoms]\r\n'; ndx_rows 1 2 3 4 5 6"
      ;;
    *)
      same_bytes result.gro "$dir/result.gro" printf ''
      same_bytes list.ndx "$dir/list.ndx" printf ''
      ;;
  esac
  [[ ! -e $dir/residue.txt ]] || problem "residue.txt was created"
}

# Runs the tool with standard input on a fifo held open here, types what comes before the
# prompt, waits until the prompt is on standard output, then sends the signal $3 or, for
# "close", closes the console input. Leaves the exit status in $status.
run_to_prompt() {  # dir, prompt, event
  local dir=$1 prompt=$2 event=$3 pid fifo_fd tries text
  text=$(shown_by "$prompt")
  mkfifo "$dir/.stdin"
  # A read-write open of a fifo does not wait for a reader, and keeps the console open.
  exec {fifo_fd}<>"$dir/.stdin"
  # Job control: the tool gets its own process group with SIGINT and SIGQUIT not ignored,
  # as a program started from a terminal has them.
  set -m
  (cd "$dir" && exec {fifo_fd}>&- && exec env "${tool_env[@]}" "$binary" \
    <"$dir/.stdin" >"$dir/.stdout" 2>"$dir/.stderr") &
  pid=$!
  set +m
  typed "$prompt" >&"$fifo_fd"
  tries=400
  until grep -qF -- "$text" "$dir/.stdout" 2>/dev/null; do
    if ! kill -0 "$pid" 2>/dev/null || ((--tries <= 0)); then break; fi
    sleep 0.05
  done
  if ((tries > 0)) && kill -0 "$pid" 2>/dev/null; then
    if [[ $event == close ]]; then
      exec {fifo_fd}>&-
      fifo_fd=
    else
      kill -s "$event" "$pid"
    fi
  else
    problem "the prompt '$text' did not appear while the tool ran"
  fi
  tries=400
  while kill -0 "$pid" 2>/dev/null && ((--tries > 0)); do sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    problem "still running 20 s after the $event; killed"
    kill -s KILL "$pid" 2>/dev/null
  fi
  wait "$pid"
  status=$?
  [[ -n $fifo_fd ]] && exec {fifo_fd}>&-
  rm -f "$dir/.stdin"
}

# Combinations that are dialogue cases already (tests/dialogue/cases).
covered_elsewhere=" INT:filename INT:shape INT:params INT:atom INT:final_wait QUIT:filename HUP:filename "

for prompt in "${prompts[@]}"; do
  for event in INT QUIT HUP close; do
    [[ $covered_elsewhere == *" $event:$prompt "* ]] && continue
    name=${event,,}_at_$prompt
    dir=$scratch/$name
    mkdir "$dir"
    two_waters_gro >"$dir/two.gro"
    run_to_prompt "$dir" "$prompt" "$event"
    case $event in
      INT) word=control-C code=0 ;;
      QUIT) word=control-BREAK code=1 ;;
      HUP) word=window-CLOSE code=2 ;;
      close) word= code=24 ;;
    esac
    [[ $status == "$code" ]] || problem "exit status $status, expected $code"
    if [[ $event == close ]]; then
      same_bytes stderr "$dir/.stderr" report 'forrtl: severe (24): end-of-file during read, unit -4, file CONIN$'
    else
      same_bytes stderr "$dir/.stderr" report "forrtl: error (200): program aborting due to $word event"
    fi
    same_bytes stdout "$dir/.stdout" console_until "$prompt"
    check_files "$prompt" "$dir"
    finish "$name"
  done
done

echo "$passed passed, $failed failed"
((failed == 0))
