#!/usr/bin/env bash
# The command line's progress line: on a terminal (a pseudo-terminal made by script(1)) a
# coordinate file over 50 MiB shows "gro-region: loading N%" redrawn in place from 0 %,
# percentages never falling, and the line is erased before the run goes on; a smaller file,
# a standard error that is not a terminal, and the dialogue show nothing. The results are
# the same either way. Skipped (exit 77) without script(1).
#
# Usage: load_progress.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
if ! command -v script >/dev/null 2>&1; then
  echo "load_progress: script(1) is not installed; skipped"
  exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-progress.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)

failed=0
fail() {
  echo "FAIL $*"
  failed=1
}

# 260000 waters: 53.8 MB, above the 50 MiB (52428800 bytes) threshold.
sh "$source_dir/examples/make_examples.sh" --waters 260000 --output big.gro >/dev/null || exit 1
cp "$source_dir/examples/water.gro" small.gro
(($(stat -c %s big.gro) > 52428800)) || fail "big.gro is not above 50 MiB"

# Runs the tool with standard error (only) on a terminal; what the terminal got goes to $1.
on_terminal() {  # terminal output file, arguments...
  local screen=$1 command
  shift
  printf -v command '%q ' env "${tool_env[@]}" "$binary" "$@"
  script -qec "$command >stdout.txt" /dev/null >"$screen" </dev/null
}

on_terminal big.txt big.gro --ball 1,1,1,1 --output-dir tty || fail "the run on a terminal failed"
# Every draw is a carriage return and the line; the end is the erasing.
screen=$(cat big.txt)
pattern=$'^(\rgro-region: loading [0-9]+%)+\r +\r$'
if [[ ! $screen =~ $pattern ]]; then
  fail "the terminal got $(cat -A big.txt | head -c 300)"
else
  [[ $screen == $'\rgro-region: loading 0%'* ]] || fail "the first draw is not 0 %"
  previous=0
  last=
  while IFS= read -r draw; do
    [[ -z $draw ]] && continue
    if [[ $draw =~ ^gro-region:\ loading\ ([0-9]+)%$ ]]; then
      percent=${BASH_REMATCH[1]}
      ((percent >= previous && percent <= 100)) || fail "percentages $previous then $percent"
      previous=$percent
      last=$draw
    fi
  done < <(tr '\r' '\n' <big.txt)
  erased=$(tr '\r' '\n' <big.txt | tail -n 1)
  [[ $erased =~ ^\ +$ && ${#erased} == "${#last}" ]] || fail "the erasing covers ${#erased} columns, the line ${#last}"
fi
((failed)) || echo "PASS progress on a terminal ($(grep -o '%' big.txt | wc -l) draws)"

# From a pipe, which has no size: the megabytes read, once past the threshold. The feed
# pauses past it, so that the watch samples there at least once.
printf -v command '%q ' env "${tool_env[@]}" "$binary" - --ball 1,1,1,1 --output-dir piped
script -qec "{ head -c 53000000 big.gro; sleep 0.6; tail -c +53000001 big.gro; } | $command >stdout.txt" \
  /dev/null >pipe.txt </dev/null || fail "the run from a pipe on a terminal failed"
pattern=$'^(\rgro-region: loading [0-9]+ MB)+\r +\r$'
if [[ ! $(cat pipe.txt) =~ $pattern ]]; then
  fail "from a pipe the terminal got $(cat -A pipe.txt | head -c 300)"
else
  previous=52
  while IFS= read -r draw; do
    if [[ $draw =~ ^gro-region:\ loading\ ([0-9]+)\ MB$ ]]; then
      megabytes=${BASH_REMATCH[1]}
      ((megabytes >= previous && megabytes <= 54)) || fail "megabytes $previous then $megabytes"
      previous=$megabytes
    fi
  done < <(tr '\r' '\n' <pipe.txt)
fi
for f in result.gro list.ndx; do cmp -s "tty/$f" "piped/$f" || fail "$f from the pipe differs"; done
((failed)) || echo "PASS a pipe's progress in megabytes"

env "${tool_env[@]}" "$binary" big.gro --ball 1,1,1,1 --output-dir plain >stdout.txt 2>err.txt
[[ -s err.txt ]] && fail "standard error that is not a terminal got $(cat -A err.txt | head -c 200)"
for f in result.gro list.ndx; do cmp -s "tty/$f" "plain/$f" || fail "$f differs"; done

on_terminal small.txt small.gro --ball 1,1,1,1 --output-dir small || fail "small run failed"
[[ -s small.txt ]] && fail "a small file showed $(cat -A small.txt)"
printf -v command '%q ' env "${tool_env[@]}" "$binary"
printf 'big.gro\n2\n1,1,1,1\nno\nany\nany\n\n' >answers.txt
script -qec "$command <answers.txt >stdout.txt" /dev/null >dialogue.txt </dev/null
[[ -s dialogue.txt ]] && fail "the dialogue showed $(cat -A dialogue.txt | head -c 200)"
((failed)) || echo "PASS no progress off a terminal, for a small file, in the dialogue"
exit "$failed"
