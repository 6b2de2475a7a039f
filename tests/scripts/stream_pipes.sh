#!/usr/bin/env bash
# A coordinate file that cannot be read again: from a pipe, the records past the memory budget
# spill to a temporary file under TMPDIR and the results are those of the same regular file;
# Ctrl+C while the pipe is streamed ends the run with its one line and status 130, and leaves
# no temporary file, neither the spill nor a result file.
# Usage: stream_pipes.sh GRO_REGION SOURCE_DIR (the generator is built beside the tool)
set -euo pipefail

binary=$(realpath "$1")
generator=$(dirname "$binary")/gen_water
source_dir=$(realpath "$2")
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"

[ -x "$generator" ] || { echo "gen_water not built beside the tool"; exit 1; }
mkdir "$scratch/tmp"
export TMPDIR=$scratch/tmp
region=(--box 0,1.5,-99,99,-99,99 --atom OW --residue SOL)

# 600 000 atoms: 26 MB of records, past the 16 MiB kept in memory.
"$generator" 200000 >"$scratch/in.gro"
for answer in "" --whole-residues; do
  "$binary" "$scratch/in.gro" "${region[@]}" $answer --output-dir "$scratch/file" --quiet
  "$generator" 200000 | "$binary" - "${region[@]}" $answer --output-dir "$scratch/pipe" --quiet
  for name in result.gro list.ndx residue.txt; do
    [ -e "$scratch/file/$name" ] || continue
    cmp -s "$scratch/file/$name" "$scratch/pipe/$name" ||
      fail "${answer:-no}: $name from the pipe differs from the file's"
  done
  rm -rf "$scratch/file" "$scratch/pipe"
done
[ -z "$(ls -A "$scratch/tmp")" ] || fail "a temporary file was left in TMPDIR"

# Ctrl+C with the pipe half read: 40 MB came (their records spilled past 16 MiB), then the
# writer waits.
mkfifo "$scratch/feed"
{ "$generator" 300000 | head -c 40000000 || true; exec sleep 20; } >"$scratch/feed" &
feeder=$!
"$binary" "$scratch/feed" "${region[@]}" --output-dir "$scratch/out" 2>"$scratch/stderr" &
tool=$!
for _ in $(seq 100); do
  read -r _ rchar < <(grep '^rchar' "/proc/$tool/io" 2>/dev/null || echo "rchar 0")
  [ "${rchar:-0}" -ge 39000000 ] && break
  sleep 0.1
done
kill -INT "$tool"
status=0
wait "$tool" || status=$?
kill "$feeder" 2>/dev/null || true
wait "$feeder" 2>/dev/null || true
[ "$status" -eq 130 ] || fail "Ctrl+C during the stream: status $status, expected 130"
expected='forrtl: error (200): program aborting due to control-C event'
[ "$(tr -d '\r' <"$scratch/stderr")" = "$expected" ] ||
  fail "Ctrl+C during the stream: standard error '$(head -c 300 "$scratch/stderr")'"
[ -z "$(ls -A "$scratch/tmp")" ] || fail "Ctrl+C left a temporary file in TMPDIR"
[ -z "$(ls -A "$scratch/out" 2>/dev/null)" ] || fail "Ctrl+C left files: $(ls -A "$scratch/out")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "stream_pipes: all checks passed"
