#!/usr/bin/env bash
# The command line end to end, on the real tool: its files equal byte for byte the
# dialogue's for the same answers (three regions, inside and outside, names and wildcards,
# with and without whole residues), its counts equal the dialogue's, "-" reads a pipe,
# --output-dir is created, and runs that fail (a count line that cannot be read, a full
# file size limit, a result.gro that cannot be replaced, usage errors, an unreadable FILE,
# console events) leave the earlier files as they were and no temporary file behind.
#
# Usage: command_line.sh BINARY SOURCE_DIR   (registered with ctest)
set -uo pipefail

# shellcheck source=SCRIPTDIR/script_args.bash
. "$(dirname "${BASH_SOURCE[0]}")/script_args.bash"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/gro-cli.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
cp "$source_dir/examples/solute_in_water.gro" sys.gro

tool_env=()
while IFS= read -r name; do tool_env+=(-u "$name"); done < <(compgen -e | grep '^FOR' || true)
tool() { env "${tool_env[@]}" "$binary" "$@"; }

# shellcheck source=SCRIPTDIR/../dialogue/check_tools.sh
. "$source_dir/tests/dialogue/check_tools.sh"

# The directory holds exactly these names (hidden ones included) with these contents.
earlier_set() {  # dir
  mkdir -p "$1"
  for f in result.gro list.ndx residue.txt; do printf 'earlier %s\n' "$f" >"$1/$f"; done
}
check_earlier_set() {  # dir
  local listing
  listing=$(cd "$1" && ls -A | tr '\n' ' ')
  [[ $listing == "list.ndx residue.txt result.gro " ]] || problem "files left in $1: $listing"
  for f in result.gro list.ndx residue.txt; do
    [[ $(cat "$1/$f" 2>/dev/null) == "earlier $f" ]] || problem "$f was changed"
  done
}
expect_status() {  # actual, expected
  [[ $1 == "$2" ]] || problem "exit status $1, expected $2"
}
expect_text() {  # what, actual, expected
  [[ $2 == "$3" ]] || problem "$1: got [$2], expected [$3]"
}

# --- Same files as the dialogue -------------------------------------------------------------
regions=("box:1:0.1,1.12,-99,99,0.2,1.5" "ball:2:1.1,0.9,1.0,0.6" "cylinder:5:0.5,0.2,1.4,0.9,1.0")
# The name pairs take turns, so each region meets wildcards and names inside and outside.
names=("any any" "OW SOL" "C1 LIG")
turn=0
for region in "${regions[@]}"; do
  IFS=: read -r option shape numbers <<<"$region"
  for outside in no yes; do
    for whole in no yes; do
      for pair in "${names[turn++ % ${#names[@]}]}"; do
        read -r atom residue <<<"$pair"
        name="$option-outside_$outside-whole_$whole-$atom-$residue"
        d=$scratch/dialogue-$name c=$scratch/cli-$name
        mkdir "$d"
        # The dialogue reads an unquoted name up to a slash: the file goes beside it.
        cp sys.gro "$d/"
        typed_shape=$shape
        [[ $outside == yes ]] && typed_shape=$((shape == 1 ? 3 : shape == 2 ? 4 : 6))
        (cd "$d" && printf '%s\n%s\n%s\n%s\n%s\n%s\n\n' sys.gro "$typed_shape" "$numbers" \
          "$whole" "$atom" "$residue" | tool >stdout 2>stderr)
        expect_status $? 0
        arguments=(sys.gro "--$option" "$numbers" --output-dir "$c")
        [[ $outside == yes ]] && arguments+=(--outside)
        [[ $whole == yes ]] && arguments+=(--whole-residues)
        # The wildcard is the default; the other names are given, once with '='.
        [[ $atom != any ]] && arguments+=("--atom=$atom")
        [[ $residue != any ]] && arguments+=(--residue "$residue")
        out=$(tool "${arguments[@]}" 2>"$scratch/err")
        expect_status $? 0
        [[ -s $scratch/err ]] && problem "standard error: $(cat "$scratch/err")"
        for f in result.gro list.ndx residue.txt; do
          if [[ -e $d/$f || -e $c/$f ]]; then
            cmp -s "$d/$f" "$c/$f" || problem "$f differs from the dialogue's"
          fi
        done
        [[ $whole == yes && ! -e $c/residue.txt ]] && problem "residue.txt missing"
        atoms=$(tr -d '\r' <"$d/stdout" | awk '/atoms correspond/ {print $NF}')
        residues=$(tr -d '\r' <"$d/stdout" | awk '/residue correspond/ {print $NF}')
        wrote="wrote $c/result.gro $c/list.ndx"
        [[ $whole == yes ]] && wrote+=" $c/residue.txt"
        expect_text stdout "$out" "$atoms atoms in $residues residues"$'\n'"$wrote"
        [[ $(ls -A "$c" | grep -c '\.tmp$') == 0 ]] || problem "a temporary file was left"
        finish "same_as_dialogue_$name"
      done
    done
  done
done

# --- Standard input, --quiet, a directory that does not exist yet -------------------------
mkdir piped
cat sys.gro | tool - --ball 1,1,1,0.7 --atom OW --quiet --output-dir piped/new/deeper >out 2>err
expect_status $? 0
[[ -s out || -s err ]] && problem "--quiet printed: $(cat out err)"
tool sys.gro --ball 1,1,1,0.7 --atom OW --output-dir from_file >/dev/null
for f in result.gro list.ndx; do
  cmp -s "piped/new/deeper/$f" "from_file/$f" || problem "$f from the pipe differs"
done
finish stdin_pipe_and_new_output_dir

# --- Runs that fail leave the earlier set and no temporary file ----------------------------
printf 'title\nabc\n' >bad_count.gro
earlier_set kept
tool bad_count.gro --box 0,1,0,1,0,1 --whole-residues --output-dir kept >out 2>err
expect_status $? 64
expect_text stderr "$(tr -d '\r' <err)" \
  "gro-region: cannot read '$scratch/bad_count.gro': input conversion error"
check_earlier_set kept
finish unreadable_count_line

printf 'title only\n' >short.gro
earlier_set kept_short
cat short.gro | tool - --box 0,1,0,1,0,1 --output-dir kept_short >out 2>err
expect_status $? 24
expect_text stderr "$(tr -d '\r' <err)" \
  "gro-region: cannot read standard input: end-of-file during read"
check_earlier_set kept_short
finish count_line_missing_on_stdin

# A file size limit makes every write past 2 KiB fail (EFBIG), as a full disk would.
earlier_set kept_full
(trap '' XFSZ && ulimit -f 2 && exec env "${tool_env[@]}" "$binary" sys.gro \
  --box -99,99,-99,99,-99,99 --whole-residues --output-dir kept_full >out 2>err)
expect_status $? 38
# One line naming the final file and the system's reason; no traceback, no temporary name.
report=$(tr -d '\r' <err)
expect_text stderr "$report" "gro-region: cannot write '$scratch/kept_full/result.gro': File too large"
grep -q -e '\.tmp' -e '^Image' <<<"$report" && problem "temporary name or traceback: $report"
check_earlier_set kept_full
finish write_failure_names_the_final_file

earlier_set kept_dir
rm kept_dir/result.gro
mkdir kept_dir/result.gro
tool sys.gro --box 0,1,0,1,0,1 --output-dir kept_dir >out 2>err
expect_status $? 1
expect_text stderr "$(cat err)" "gro-region: cannot replace 'kept_dir/result.gro': Is a directory"
[[ $(ls -A kept_dir | tr '\n' ' ') == "list.ndx residue.txt result.gro " ]] || problem "left: $(ls -A kept_dir)"
[[ $(cat kept_dir/list.ndx) == "earlier list.ndx" ]] || problem "list.ndx was changed"
finish result_gro_cannot_be_replaced

printf 'a file\n' >not_a_dir
tool sys.gro --box 0,1,0,1,0,1 --output-dir not_a_dir >out 2>err
expect_status $? 1
expect_text stderr "$(cat err)" "gro-region: cannot create directory 'not_a_dir': Not a directory"
expect_text "not_a_dir" "$(cat not_a_dir)" "a file"
finish output_dir_is_a_file

# Paths are opened as given: "link/.." is the link target's parent, not the current directory.
mkdir -p real/sub && cp sys.gro real/moved.gro && ln -s real/sub link
tool link/../moved.gro --ball 1,1,1,0.7 --atom OW --output-dir link/../linked >/dev/null 2>err
expect_status $? 0
cmp -s real/linked/result.gro from_file/result.gro || problem "result.gro not in real/linked"
finish paths_through_a_link

# Usage errors and an unreadable FILE: one line (two for usage), nothing created.
mkdir nothing && cd nothing || exit 1
tool ../sys.gro --box 1,2,3,4,5 >out 2>err
expect_status $? 2
expect_text stderr "$(cat err)" "gro-region: --box needs 6 numbers, got 5"$'\n'"Try 'gro-region --help'."
tool absent.gro --ball 1,1,1,1 >out 2>err
expect_status $? 1
expect_text stderr "$(cat err)" "gro-region: cannot read 'absent.gro': No such file or directory"
tool .. --ball 1,1,1,1 >out 2>err
expect_status $? 1
expect_text stderr "$(cat err)" "gro-region: cannot read '..': Is a directory"
expect_text "files" "$(ls -A | tr '\n' ' ')" "err out "
cd "$scratch" || exit 1
finish usage_and_unreadable_file_create_nothing

tool --version >out
expect_status $? 0
expect_text version "$(cat out)" "gro-region 1.0.0"
finish version

# --- Console events while the coordinate file is read from a pipe --------------------------
for event in INT:130:control-C QUIT:131:control-BREAK HUP:129:window-CLOSE; do
  IFS=: read -r signal code word <<<"$event"
  dir=$scratch/event_$signal
  earlier_set "$dir"
  mkfifo "$dir/.in"
  exec {fifo_fd}<>"$dir/.in"
  set -m
  (exec {fifo_fd}>&- && exec env "${tool_env[@]}" "$binary" - --ball 1,1,1,1 \
    --output-dir "$dir" <"$dir/.in" >"$dir/.out" 2>"$dir/.err") &
  pid=$!
  set +m
  printf 'title\n    3\n' >&"$fifo_fd"
  # The event thread exists once the run has started: then the signal is an event.
  tries=400
  while (($(ls "/proc/$pid/task" 2>/dev/null | wc -l) < 2)) && ((--tries > 0)); do sleep 0.05; done
  kill -s "$signal" "$pid"
  wait "$pid"
  expect_status $? "$code"
  exec {fifo_fd}>&-
  rm -f "$dir/.in"
  expect_text stderr "$(tr -d '\r' <"$dir/.err")" "forrtl: error (200): program aborting due to $word event"
  rm -f "$dir/.out" "$dir/.err"
  check_earlier_set "$dir"
  finish "event_$signal"
done

summary
