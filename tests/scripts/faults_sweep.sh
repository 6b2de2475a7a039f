#!/usr/bin/env bash
# Fault-injection sweep on whole runs: the fault child (the tool with the platform's fault seam
# armed) makes the N-th call of one kind fail (open, read, write, close, rename, link, mkdir,
# unlink, stat, mmap, allocation), transfer only part of what was asked, or fail once with
# EINTR, for every N a fault-free run makes (evenly spread samples where there are many), on
# the command lines of `command_runs` below and on a dialogue. Then signals at random moments
# of a large run. After each: the run ended (no hang), by itself (no signal, no abort); short
# transfers and EINTR changed nothing; any other fault gave either the same bytes or one clear
# line with its documented status, the earlier result files byte-identical and no temporary
# left, never a failure status over a replaced set. Last, address-space limits (ulimit -v).
#
# Usage: faults_sweep.sh BINARY SOURCE_DIR   (registered with ctest)
# SWEEP_POINTS (default 24) bounds the calls swept per kind and fault; SWEEP_SIGNALS (default
# 3) the tries per signal.
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

child=$(dirname "$binary")/fault_child
if [[ ! -x $child ]]; then
  echo "SKIP: no fault_child beside $binary"
  exit 77
fi
points=${SWEEP_POINTS:-24}
signal_tries=${SWEEP_SIGNALS:-3}

tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR\|^GRO_FAULT' || true)
tool_env+=(FOR_DISABLE_STACK_TRACE=1)

# The command lines swept, one per line: a name, where FILE comes from ("file" or "pipe", which
# feeds it through cat to standard input), then the arguments. The results go to out/ and the
# picture, when there is one, to pic.svg. Add a line to sweep another command line.
command_runs=(
  "small file --box 0,1.2,0,1.2,0,1.2 --atom OW small.gro --output-dir out"
  "large file large.gro --ball 1.5,1.5,1.5,1 --whole-residues --plot pic.svg --output-dir out"
  "large_pipe pipe - --cylinder 1,0,2,1.5,1.5 --residue SOL --whole-residues --output-dir out"
  "frames file traj.gro --box 0,1.2,0,1.2,0,1.2 --atom OW --whole-residues --frames all --series series.csv --pbc --output-dir out"
)
# The dialogue swept: its answers, on a file as standard input.
dialogue_answers=$'small.gro\n2\n0.9 0.9 0.9 0.8\nyes\nOW\nSOL\n\n'

# Faults per call kind: errno names, "short" (a partial transfer), "EINTR".
declare -A faults=(
  [open]="EACCES EMFILE EIO EINTR" [read]="EIO short EINTR" [write]="ENOSPC EIO short EINTR"
  [close]="EIO" [truncate]="EIO" [rename]="EXDEV EIO EINTR" [link]="EPERM EIO EINTR"
  [mkdir]="EACCES EINTR" [unlink]="EIO" [stat]="EIO" [mmap]="ENOMEM" [alloc]="ENOMEM"
)

cp "$source_dir/examples/water.gro" "$scratch/small.gro"
# Three frames of the small file, with times.
for t in 0 5 10; do
  sed "1s/.*/water t= $t/" "$scratch/small.gro"
done >"$scratch/traj.gro"
"$source_dir/examples/make_examples.sh" --waters 30000 -o "$scratch/large.gro" >/dev/null ||
  exit 1

# Runs the fault child in $case_dir: run_child INPUT STDIN [ARGS...]; INPUT is file, pipe or a
# file name for standard input. Sets status.
run_child() {
  local input=$1
  shift
  (
    cd "$case_dir" || exit 125
    ulimit -c 0
    if [[ -n ${vm_limit:-} ]]; then ulimit -v "$vm_limit" || exit 125; fi
    if [[ $input == pipe ]]; then
      cat "$scratch/large.gro" | exec env "${tool_env[@]}" "${fault_env[@]}" timeout -k 1 10 \
        "$child" inject "$@" >.stdout 2>.stderr
    else
      exec env "${tool_env[@]}" "${fault_env[@]}" timeout -k 1 10 "$child" inject "$@" \
        <"$([[ $input == file ]] && echo /dev/null || echo "$input")" >.stdout 2>.stderr
    fi
  )
  status=$?
}

# A case directory with the earlier results a run must leave alone when it fails.
seed_case() {
  case_dir=$scratch/case
  rm -rf "$case_dir"
  mkdir -p "$case_dir/out"
  ln -s "$scratch/small.gro" "$case_dir/small.gro"
  ln -s "$scratch/large.gro" "$case_dir/large.gro"
  ln -s "$scratch/traj.gro" "$case_dir/traj.gro"
  printf 'earlier series\n' >"$case_dir/series.csv"
  for name in result.gro list.ndx residue.txt; do printf 'earlier %s\r\n' "$name" >"$case_dir/out/$name"; done
  printf 'earlier picture\n' >"$case_dir/pic.svg"
}

# Every file a run leaves, with its bytes, hidden ones included: a listing to compare.
listing() { (cd "$case_dir" && find . -path ./.stdout -prune -o -path ./.stderr -prune -o \
  -type f -print0 | sort -z | xargs -0 sha1sum); }

# Up to $points call numbers from 1..$1, evenly spread, first and last included.
sample() {
  local count=$1 i
  if ((count <= points)); then
    seq 1 "$count"
  else
    for ((i = 0; i < points; i++)); do echo $((1 + i * (count - 1) / (points - 1))); done | uniq
  fi
}

# The failure lines a run may end with: one "gro-region: cannot ... 'NAME': reason" line
# (status 1), or the I/O layer's report of status N, its system line first when it has one.
# A failed stat is a name that does not exist, by the platform's contract: a --plot or --series
# directory that cannot be looked up is the usage error (status 2) of a missing one.
check_failure_lines() {  # what, status
  local what=$1 lines
  mapfile -t lines <"$case_dir/.stderr"
  case ${#lines[@]} in
    1)
      if [[ ${lines[0]} =~ ^gro-region:\ cannot\ [a-z\ ]+\ (\'.+\'|standard\ output|the\ result\ files):\ [A-Z].+$ ]]; then
        ((status == 1)) || fail "$what: status $status with '${lines[0]}'"
        return
      fi
      [[ ${lines[0]} == "forrtl: severe ($status): insufficient virtual memory"* ||
        ${lines[0]} =~ ^forrtl:\ severe\ \($status\):\ .+,\ unit\ -?[0-9]+,\ file\ .+ ]] ||
        fail "$what: status $status with '${lines[0]}'"
      ;;
    2)
      [[ ${lines[0]} =~ ^forrtl:\ [A-Z] && ${lines[0]} != *"("* &&
        ${lines[1]} =~ ^forrtl:\ severe\ \($status\):\ .+,\ unit\ -?[0-9]+,\ file\ .+ ]] ||
        fail "$what: status $status with: ${lines[*]}"
      ;;
    *) fail "$what: status $status with ${#lines[@]} lines: $(head -c 400 "$case_dir/.stderr")" ;;
  esac
}

# A command-line run that fails ends with one line of its own: what it could not do, with
# which file or stream, and the system's reason; or that memory ran out.
check_command_line() {  # what
  local lines
  mapfile -t lines <"$case_dir/.stderr"
  local pattern="^gro-region: (cannot [a-z]+( [a-z]+)* ('.+'|standard input|standard output|the result files): [A-Za-z].+|memory ran out \\(.+\\))$"
  ((${#lines[@]} == 1)) && [[ ${lines[0]} =~ $pattern ]] ||
    fail "$1: status $status with: $(head -c 400 "$case_dir/.stderr")"
}

# Checks one command-line run against the reference: same bytes, or a clean failure.
check_command_run() {  # what, kind, fault
  local what=$1 kind=$2 fault=$3
  if ((status >= 124)); then
    fail "$what: status $status (hang, signal or abort): $(head -c 300 "$case_dir/.stderr")"
    return
  fi
  if ((status == 0)); then
    cmp -s "$case_dir/.stdout" "$reference_dir/stdout" || fail "$what: other standard output"
    if [[ $kind == unlink && -s $case_dir/.stderr ]]; then
      # The earlier file's second name could not be removed once the set was replaced: said
      # in one line naming it; the set is the new one.
      grep -q "^gro-region: cannot remove '.*\.old': " "$case_dir/.stderr" ||
        fail "$what: $(head -c 300 "$case_dir/.stderr")"
      diff <(listing | grep -v '\.old$') "$reference_dir/listing" >/dev/null ||
        fail "$what: other files"
      return
    fi
    [[ ! -s $case_dir/.stderr ]] || fail "$what: status 0 with $(head -c 300 "$case_dir/.stderr")"
    diff <(listing) "$reference_dir/listing" >/dev/null || fail "$what: other files after success"
    return
  fi
  [[ $fault != short && $fault != EINTR ]] || fail "$what: a $fault fault failed the run ($status)"
  if [[ $kind == stat && $status == 2 ]]; then
    grep -Eq "^gro-region: --(plot|series): directory '.*' does not exist" "$case_dir/.stderr" ||
      fail "$what: status 2 with $(head -c 300 "$case_dir/.stderr")"
  else
    check_command_line "$what"
  fi
  diff <(listing) "$seed_listing" >/dev/null ||
    fail "$what: status $status and the files changed:"$'\n'"$(diff <(listing) "$seed_listing")"
}

# The counts of every call kind a fault-free run makes, and its bytes as the reference.
reference_run() {  # input, arguments...
  seed_case
  seed_listing=$scratch/seed_listing
  listing >"$seed_listing"
  fault_env=(GRO_FAULT_COUNTS=$scratch/counts)
  run_child "$@"
  reference_dir=$scratch/reference
  rm -rf "$reference_dir"
  mkdir "$reference_dir"
  cp "$case_dir/.stdout" "$reference_dir/stdout"
  listing >"$reference_dir/listing"
  ((status == 0)) || fail "reference run ($*): status $status $(head -c 300 "$case_dir/.stderr")"
}

runs=0
sweep() {  # check function, input, arguments...
  local check=$1 kind fault n count
  shift
  reference_run "$@"
  while read -r kind count; do
    for fault in ${faults[$kind]:-}; do
      for n in $(sample "$count"); do
        seed_case
        fault_env=(GRO_FAULT="$kind:$n:$fault")
        run_child "$@"
        runs=$((runs + 1))
        "$check" "$* [$kind:$n:$fault]" "$kind" "$fault"
      done
    done
  done <"$scratch/counts"
}

for line in "${command_runs[@]}"; do
  read -r -a words <<<"$line"
  started=$SECONDS
  before=$runs
  sweep check_command_run "${words[1]}" "${words[@]:2}"
  echo "swept ${words[0]}: $((runs - before)) runs in $((SECONDS - started)) s"
done

# The dialogue writes its files in place and ends a failure with one report: the run ends by
# itself with the same bytes, with "File not found" when the name's lookup failed, or with
# the report (its system line first) and its number as status.
check_dialogue_run() {  # what, kind, fault
  local what=$1 kind=$2 fault=$3
  if ((status >= 124)); then
    fail "$what: status $status (hang, signal or abort): $(head -c 300 "$case_dir/.stderr")"
  elif ((status == 0)); then
    [[ ! -s $case_dir/.stderr ]] || fail "$what: status 0 with $(head -c 300 "$case_dir/.stderr")"
    if ! cmp -s "$case_dir/.stdout" "$reference_dir/stdout"; then
      [[ $kind == stat ]] && grep -q 'File not found' "$case_dir/.stdout" ||
        fail "$what: other console output"
    fi
  else
    [[ $fault != short && $fault != EINTR ]] || fail "$what: a $fault fault failed the run ($status)"
    check_failure_lines "$what" "$status"
  fi
}
printf '%s' "$dialogue_answers" >"$scratch/answers"
started=$SECONDS
before=$runs
sweep check_dialogue_run "$scratch/answers"
echo "swept the dialogue: $((runs - before)) runs in $((SECONDS - started)) s"

# Signals at random moments of a large run: the event's status with the earlier files and no
# temporary, or a complete run (the signal came after it ended).
declare -A event_words=([INT]=control-C [HUP]=window-CLOSE [QUIT]=control-BREAK [TERM]=terminate)
for signal in INT HUP QUIT TERM; do
  for ((try = 0; try < signal_tries; try++)); do
    seed_case
    fault_env=()
    (
      cd "$case_dir" || exit 125
      ulimit -c 0
      exec env "${tool_env[@]}" "$child" inject large.gro --ball 1.5,1.5,1.5,1 --whole-residues \
        --plot pic.svg --output-dir out >.stdout 2>.stderr
    ) &
    pid=$!
    sleep "0.0$((RANDOM % 6))"
    kill -s "$signal" "$pid" 2>/dev/null
    wait "$pid"
    status=$?
    what="SIG$signal after ${try}"
    expected=$((128 + $(kill -l "$signal")))
    if ((status == 0)); then
      diff <(listing) "$seed_listing" >/dev/null && fail "$what: status 0 with the earlier files"
    elif ((status == expected)); then
      diff <(listing) "$seed_listing" >/dev/null || fail "$what: status $status and files changed"
      # Empty when the signal came before the tool took its events (its default action).
      [[ ! -s $case_dir/.stderr ]] ||
        cmp -s "$case_dir/.stderr" <(printf 'forrtl: error (200): program aborting due to %s event\r\n' \
          "${event_words[$signal]}") || fail "$what: $(head -c 300 "$case_dir/.stderr")"
    else
      fail "$what: status $status: $(head -c 300 "$case_dir/.stderr")"
    fi
    runs=$((runs + 1))
  done
done

# Address-space limits (ulimit -v, in KiB) from below what the run needs to above it, from a
# file and through a pipe: the same bytes, or one line saying memory ran out (or which file
# could not be had), the earlier files intact; never an abort.
# AddressSanitizer reserves terabytes of address space: under it the limits are not tried.
limited_inputs=(file pipe)
if grep -qa __asan_init "$child"; then
  echo "AddressSanitizer build: the address-space limits are skipped"
  limited_inputs=()
fi
for input in "${limited_inputs[@]}"; do
  source_arg=$([[ $input == file ]] && echo large.gro || echo -)
  limit_run=("$source_arg" --ball 1.5,1.5,1.5,1 --whole-residues --plot pic.svg --output-dir out)
  reference_run "$input" "${limit_run[@]}"
  for vm_limit in 16000 20000 23000 26000 29000 32000 35000 38000 45000 100000; do
    seed_case
    fault_env=()
    run_child "$input" "${limit_run[@]}"
    runs=$((runs + 1))
    check_command_run "ulimit -v $vm_limit, $input" alloc ENOMEM
  done
  vm_limit=
done

echo "$runs runs, $failures failed"
((failures == 0))
