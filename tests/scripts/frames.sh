#!/usr/bin/env bash
# --frames end to end: every chosen frame's block of result.gro, list.ndx and residue.txt is
# the file a single-frame run on that frame alone writes, for frames of different sizes,
# titles with and without a time, several slices, shapes and options; CR LF input; a last
# frame cut short; bad slices and a slice that matches nothing; the series in both formats
# read back; a FIFO and standard input fed while the tool reads.
#
# Usage: frames.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail
# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"
# shellcheck source=SCRIPTDIR/scratch_and_failures.bash
. "$(dirname "${BASH_SOURCE[0]}")/scratch_and_failures.bash"
cd "$scratch" || exit 1

water=$source_dir/examples/water.gro
solute=$source_dir/examples/solute_in_water.gro
# A frame: the given title, then a file's lines after its title (x moved by $3 nm).
frame() {
  echo "$1"
  awk -v dx="$3" 'NR == 1 { next } NR == 2 { n = $1; print; next }
    NR <= n + 2 && dx != 0 { printf "%s%8.3f%s\n", substr($0, 1, 20), substr($0, 21, 8) + dx,
      substr($0, 29) ; next } { print }' "$2"
}
{
  frame "water t=   0.00000 step= 0" "$water" 0
  frame "solute in water t=   2.50000 step= 1250" "$solute" 0
  frame "water moved, no time" "$water" 0.3
  frame "solute again t= 7.5" "$solute" 0.2
  frame "last t=1e1" "$water" 0.6
} >traj.gro
times=("0.000" "2.500" "" "7.500" "10.000")

# Frame K of a file of frames (a trajectory or a trajectory run's result.gro): title, count
# line, that many atom lines, box line.
nth_frame() {
  awk -v want="$2" 'state == 0 { k++; state = 1; if (k - 1 == want) print; next }
    state == 1 { n = $1; left = n; state = 2; if (k - 1 == want) print; next }
    state == 2 && left > 0 { left--; if (k - 1 == want) print; next }
    { if (k - 1 == want) print; state = 0 }' "$1"
}
# Group K of list.ndx or residue.txt with headings: its lines after the heading.
nth_group() {
  awk -v want="$2" '/^ \[/ { k++; next } k - 1 == want { print }' "$1"
}

# slice | chosen frames | region and options
cases=(
  "all|0 1 2 3 4|--box 0,0.47,-99,99,0,0.78 --atom OW --residue SOL"
  "1:5:2|1 3|--ball 0.93,0.93,0.93,0.6 --whole-residues"
  "::3|0 3|--cylinder 0.5,0,2,0.9,0.9 --outside --atom OW"
  "3|3|--box 0,1,0,1,0,1 --outside --whole-residues --residue LIG"
  "2:|2 3 4|--ball 0.9,0.9,0.9,0.5 --outside --whole-residues --atom HW1"
  ":2|0 1|--cylinder 0.7,0.2,1.5,1,1 --whole-residues"
  "all|0 1 2 3 4|--ball 0.1,0.1,1.8,0.6 --pbc --whole-residues"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r slice chosen options <<<"$entry"
  run="--frames $slice $options"
  rm -rf out && mkdir out
  # shellcheck disable=SC2086
  (cd out && "$binary" ../traj.gro $options --frames "$slice" --series s.csv >console) ||
    { fail "$run: status $?"; continue; }
  k=0
  for f in $chosen; do
    rm -rf one && mkdir one
    nth_frame traj.gro "$f" >one/frame.gro
    # shellcheck disable=SC2086
    (cd one && "$binary" frame.gro $options >console) || fail "$run: single frame $f failed"
    cmp -s <(nth_frame out/result.gro "$k") one/result.gro || fail "$run: result.gro of frame $f"
    heading=" [selected-atoms_f$f${times[$f]:+_t${times[$f]}}]"
    [[ $(grep '^ \[' out/list.ndx | sed -n "$((k + 1))p") == "$heading"$'\r' ]] ||
      fail "$run: list.ndx heading of frame $f is not '$heading'"
    cmp -s <(nth_group out/list.ndx "$k") <(tail -n +2 one/list.ndx) ||
      fail "$run: list.ndx group of frame $f"
    if [[ $options == *--whole-residues* ]]; then
      [[ $(grep '^ \[' out/residue.txt | sed -n "$((k + 1))p") == " [selected-residues${heading#*atoms}"$'\r' ]] ||
        fail "$run: residue.txt heading of frame $f"
      cmp -s <(nth_group out/residue.txt "$k") one/residue.txt ||
        fail "$run: residue.txt block of frame $f"
    fi
    read -r atoms _ _ residues _ <one/console
    row=$(sed -n "$((k + 2))p" out/s.csv)
    [[ $row == "$f,${times[$f]},$atoms,$residues" ]] || fail "$run: series row '$row' of frame $f"
    k=$((k + 1))
  done
  [[ $(grep -c '^ \[selected-atoms' out/list.ndx) == "$k" ]] || fail "$run: not $k groups"
  [[ $(wc -l <out/s.csv) == $((k + 1)) ]] || fail "$run: not $k series rows"
done

# --pbc takes each frame's own box: a frame whose box is no box ends the run naming it, and
# leaves no result file.
awk '/^ +[0-9.]+ +[0-9.]+ +[0-9.]+ *$/ && ++box == 4 { $0 = "   0.0   0.0   0.0" } { print }' \
  traj.gro >flat.gro
rm -rf flat && mkdir flat
(cd flat && "$binary" ../flat.gro --ball 0.1,0.1,1.8,0.6 --pbc --frames all 2>err)
[[ $? == 1 ]] || fail "--pbc with a flat box in frame 3: status is not 1"
grep -q "frame 3" flat/err || fail "--pbc with a flat box: the line does not name frame 3: $(cat flat/err)"
[[ -z $(ls -A flat | grep -v '^err$') ]] || fail "--pbc with a flat box left files: $(ls -A flat)"

# The .xvg read back: frame indices while a chosen frame has no time, times when all have.
base=(--box 0,0.47,-99,99,0,0.78 --atom OW --quiet)
"$binary" traj.gro "${base[@]}" --frames all --series all.xvg &&
  "$binary" traj.gro "${base[@]}" --frames 1:4:2 --series timed.xvg &&
  "$binary" traj.gro "${base[@]}" --frames all --series all.csv || fail "xvg runs failed"
[[ $(awk -F, 'NR > 1 { print $1, $3, $4 }' all.csv) == $(grep -v '^[#@]' all.xvg | awk '{ print $1, $2, $3 }') ]] ||
  fail "all.xvg rows are not frame atoms residues"
[[ $(grep -v '^[#@]' timed.xvg | awk '{ print $1, $2 }') == "$(awk -F, 'NR == 3 || NR == 5 { print $2, $3 }' all.csv)" ]] ||
  fail "timed.xvg rows are not time atoms"
grep -q '^@    xaxis  label "Time (ps)"' timed.xvg && grep -q '^@ s1 legend "residues"' timed.xvg ||
  fail "timed.xvg lacks its axis label or legend"
mkdir ref && cp result.gro list.ndx ref/

same_as_ref() {  # what: the run in the current directory wrote what the regular file gave
  cmp -s result.gro ref/result.gro && cmp -s list.ndx ref/list.ndx || fail "$1: results differ"
}
# CR LF lines read as LF lines.
sed 's/$/\r/' traj.gro >crlf.gro
"$binary" crlf.gro "${base[@]}" --frames all && same_as_ref "CR LF"

# A last frame cut short: within its atom lines, before its box line, after its title.
for cut in "within:$(($(wc -l <traj.gro) + 100))" "box:$(($(wc -l <traj.gro) + 650))" \
  "title:$(($(wc -l <traj.gro) + 1))"; do
  { cat traj.gro; frame "cut t= 12" "$water" 0; } | head -n "${cut#*:}" >cut.gro
  "$binary" cut.gro "${base[@]}" --frames all 2>err || fail "cut ${cut%%:*}: status $?"
  [[ $(wc -l <err) == 1 ]] && grep -q 'warning: frame 5 (t=12.000) is cut short' err ||
    fail "cut ${cut%%:*}: warning is not one line naming frame 5: $(cat err)"
  same_as_ref "cut ${cut%%:*}"
done

# Bad slices are usage errors; a slice matching no frame leaves older results alone.
for slice in -1 a 1:2:0 1:2:3:4 ::-1 1.5 "" " 1" 1:x 99999999999999999999; do
  "$binary" traj.gro "${base[@]}" --frames "$slice" 2>err
  status=$?
  [[ $status == 2 ]] && grep -q "^Try 'gro-region --help'" err || fail "slice '$slice': status $status"
done
"$binary" traj.gro "${base[@]}" --series x.txt --frames all 2>/dev/null
[[ $? == 2 ]] || fail "--series x.txt is no usage error"
"$binary" traj.gro "${base[@]}" --series x.csv 2>/dev/null
[[ $? == 2 ]] || fail "--series without --frames is no usage error"
for slice in 5 7:9 5::2; do
  "$binary" traj.gro "${base[@]}" --frames "$slice" 2>err
  status=$?
  [[ $status == 1 ]] && grep -q "has 5 frames" err || fail "slice $slice: status $status: $(cat err)"
  same_as_ref "slice $slice left results"
  ls -A | grep -q '\.tmp$' && fail "slice $slice left a temporary file"
done

# A FIFO and standard input, fed a frame at a time while the tool reads.
feed() { for f in 0 1 2 3 4; do nth_frame traj.gro "$f"; sleep 0.2; done; }
mkfifo live.gro
feed >live.gro &
"$binary" live.gro "${base[@]}" --frames all || fail "FIFO: status $?"
wait
same_as_ref "FIFO"
feed | "$binary" - "${base[@]}" --frames all || fail "stdin: status $?"
same_as_ref "stdin"
# A writer that writes pieces of 4096 bytes as soon as it has a reader, as gmx trjconv does:
# the FIFO must never be left without one (a look at the name that opened it and let it go
# again once broke such a writer's pipe).
# The moment is short: five tries.
for try in 1 2 3 4 5; do
  rm -f live.gro && mkfifo live.gro
  python3 -c 'import os, sys, time
data = open(sys.argv[1], "rb").read()
fd = os.open(sys.argv[2], os.O_WRONLY)
for at in range(0, len(data), 4096):
    os.write(fd, data[at:at + 4096]); time.sleep(0.0001)' traj.gro live.gro 2>/dev/null &
  writer=$!
  "$binary" live.gro "${base[@]}" --frames all 2>err || fail "FIFO in pieces ($try): status $?"
  wait "$writer" || fail "FIFO in pieces ($try): the writer failed: $(cat err)"
  same_as_ref "FIFO in pieces ($try)"
done

# The chart stays small for many frames and names them in its caption.
nth_frame traj.gro 1 >one.gro
for _ in $(seq 400); do cat one.gro; done >many.gro
"$binary" many.gro "${base[@]}" --frames all --plot many.svg || fail "400 frames: status $?"
[[ $(wc -c <many.svg) -lt 1000000 ]] && grep -q '400 frames, atoms per frame' many.svg ||
  fail "chart of 400 frames too large or without its summary"

[[ $failures == 0 ]] || { echo "$failures failures"; exit 1; }
echo "frames: all checks passed"
