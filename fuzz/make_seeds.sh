#!/usr/bin/env bash
# Writes the seed corpora of the fuzzing harnesses (fuzz/corpus/<harness>/), made by hand from
# the tool's own input rules: console answers of every kind, lines for every input layout,
# coordinate files with every count form and short, long and unreadable lines, whole sessions.
# Run it again after changing it and commit what it writes.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf corpus
mkdir -p corpus/read_list corpus/read_fixed corpus/loader corpus/whole_run

# seed HARNESS NAME PRINTF-FORMAT [ARGS...]
seed() {
  local harness=$1 name=$2 format=$3
  shift 3
  # shellcheck disable=SC2059
  printf "$format" "$@" >"corpus/$harness/$name"
}

# --- read_list: byte 0 picks the item lists (0 text, 1 integer, 2 six reals, 3 four, 4 five,
# 5 none, 6 mixed, 7 an over-long text), then the console lines.
seed read_list file_name '\000two.gro\n'
seed read_list file_name_blanks '\000   two.gro  \r\n'
seed read_list file_name_quoted "\\000'my file.gro'\\n"
seed read_list file_name_doubled_quote "\\000'it''s.gro'\\n"
seed read_list file_name_slash '\000dir/file.gro\n'
seed read_list shape '\001  3\n'
seed read_list shape_real '\0012.9\n'
seed read_list shape_letters '\001abc\n'
seed read_list shape_too_large '\0012147483648\n'
seed read_list shape_quoted "\\001'2'\\n"
seed read_list box '\0020.1,1.12,-99,99,1,2.5\n'
seed read_list box_blanks '\002 0.1 1.12  -99 99 , 1 , 2.5\n'
seed read_list box_null_and_slash '\002 1,,3/\n'
seed read_list box_repeat '\0022*\n3*2.5 7 8 9\n'
seed read_list ball_two_lines '\003 1 2\n3 4\n'
seed read_list ball_exponents '\003 1.5e3 2.5D-2 3q1 .5\n'
seed read_list cylinder_leading_comma '\004,2 3 4 5 6\n'
seed read_list cylinder_large '\004 1e38 3.4028235e38 1e39 -1e-50 +7\n'
seed read_list wait '\005anything at all\n'
seed read_list mixed '\006 7 name 1.5e3 -2 .5d-1\n'
seed read_list long_text "\\007'%s'\\n" "$(printf 'x%.0s' $(seq 1 2100))"
seed read_list empty_lines '\002\n\n   \n1 2 3 4 5 6\n'
seed read_list ctrl_z '\001\n\032\n'
seed read_list quote_over_lines "\\000'first\\nsecond'\\n"
seed read_list cycle '\011two.gro\n1\n0.1,1.12,-99,99,1,2.5\nno\n'

# --- read_fixed: byte 0 bit 0 = end and error returns, bits 1-2 = layout (0 I5, 1 A5,
# 2 atom line, 3 all three in turn), then the file.
atom() { printf '%5d%-5s%5s%5d%8s%8s%8s%8s%8s%8s' "$@"; }
{
  printf '\005'
  atom 1 SOL OW 1 0.126 1.624 1.679 0.1227 -0.0580 0.0434; printf '\n'
  atom 1 SOL HW1 2 0.190 1.661 1.747 0.8085 0.3191 -0.7791; printf '\r\n'
  printf '    2SOL     OW    3   1.275   0.053   0.622\n'
  printf '    3SOL     OW    4   1.2x5   0.053   0.622\n'
  printf '    4SOL     OW    5     1,5   -1.5e+02 1.5d2  1.5-3   NaN     -Inf\n'
  printf '    5SOL     OW    6    1234   ·1.2.3  12345678999\n'
  printf '\n   ab\n'
} >corpus/read_fixed/atom_lines
seed read_fixed counts '\000  216\n216\n12345678\n  1 2\n -  7\n\n'
seed read_fixed count_letters '\000   ab\n'
seed read_fixed count_returned '\001   ab\n+\n-\n2147483648\n'
seed read_fixed names '\002   OW\n  SOL\n\nany\r\nA\tB\n'
seed read_fixed atoms_without_returns '\004    1SOL     OW    1   0.100   0.200   0.300\n'
seed read_fixed all_layouts '\007    3\n  OW \n    1SOL     OW    1   0.100   0.200   0.300\n\032\nafter\n'
seed read_fixed reals '\005    1SOL     OW    1 1.0E+38 3.5e39  -0.000  1.5E-45 -1.0e-50     inf infinity\n'

# --- loader: whole coordinate files.
water() {
  printf '%s\n%5d\n' "$1" "$2"
  atom 1 SOL OW 1 0.126 1.624 1.679 0.1227 -0.0580 0.0434; printf '\n'
  atom 1 SOL HW1 2 0.190 1.661 1.747 0.8085 0.3191 -0.7791; printf '\n'
  atom 1 SOL HW2 3 0.177 1.568 1.613 -0.9045 -2.6469 1.3180; printf '\n'
  atom 2 SOL OW 4 1.275 0.053 0.622 0.2519 0.3140 -0.1734; printf '\n'
  atom 2 SOL HW1 5 1.337 0.002 0.680 -1.0641 -1.1349 0.0257; printf '\n'
  atom 2 SOL HW2 6 1.326 0.120 0.568 1.9427 -0.8216 -0.0244; printf '\n'
  printf '   1.86206   1.86206   1.86206\n'
}
water 'Two waters' 6 >corpus/loader/two_waters
water 'Count larger than the file' 10 >corpus/loader/count_ten
water 'Count zero' 0 >corpus/loader/count_zero
water 'Count negative' -3 >corpus/loader/count_negative
water 'Count with six digits' 100002 >corpus/loader/count_six_digits
printf 'Huge count\n2000000000\n    1SOL     OW    1   0.100   0.200   0.300\n' >corpus/loader/count_huge
printf 'Letters\n   ab\n' >corpus/loader/count_letters
printf 'Title only\n' >corpus/loader/title_only
: >corpus/loader/empty
water 'CR LF, quotes, / and ,' 6 | sed 's/$/\r/' >corpus/loader/crlf
{ printf 'Ctrl+Z\n    3\n'; atom 1 SOL OW 1 0.1 0.2 0.3 0 0 0; printf '\n\032\nafter\n'; } >corpus/loader/ctrl_z
printf 'No final line feed\n    1\n    1SOL     OW    1   0.100   0.200   0.300' >corpus/loader/no_final_feed
printf 'Five decimals\n    2\n    1SOL     OW    1   0.12600   1.62400   1.67900  0.122700 -0.058000  0.043400\n    1SOL    HW1    2   0.19000   1.66100   1.74700\n   1.86206   1.86206   1.86206\n' >corpus/loader/five_decimals
printf 'NUL bytes\n    2\n    1SOL\000\000   OW    1   0.100   0.200   0.300\n    1SOL     OW    2   0.1\00000   0.200   0.300\n' >corpus/loader/nul_bytes

# --- whole_run: byte 0 flags (bit 0: the typed file is missing), bytes 1-2 the answers'
# length (little-endian), the answers after the file name, then the coordinate file.
session() {  # name flags answers file-command...
  local name=$1 flags=$2 answers=$3
  shift 3
  local length=${#answers}
  {
    printf "\\$(printf '%03o' "$flags")\\$(printf '%03o' $((length % 256)))\\$(printf '%03o' $((length / 256)))"
    printf '%s' "$answers"
    "$@"
  } >"corpus/whole_run/$name"
}
session box_no 0 $'1\n0.1,1.12,-99,99,1,2.5\nno\nOW\nSOL\n\n' water 'Two waters' 6
session ball_yes 0 $'2\n0.2,1.6,1.7,0.3\nyes\nany\nany\n\n' water 'Two waters' 6
session invert_box_other 0 $'3\n0,1,0,1,0,1\nYes\n   OW\nany\n\n' water 'Two waters' 6
session invert_ball_yes 0 $'4\n1.3,0.05,0.6,0.1\nyes\nHW1\nSOL\n\n' water 'Two waters' 6
session cylinder_no 0 $'5\n0.5,0,2,0.1,1.6\nno\nany\nany\n\n' water 'Two waters' 6
session invert_cylinder_yes 0 $'6\n0.1 0 2 1.3 0.05\nyes\nany\nany\n\n' water 'Two waters' 6
session shape_seven 0 $'7\nno\nany\nany\n\n' water 'Two waters' 6
session missing_file 1 $'\n' water 'Two waters' 6
session end_at_shape 0 '' water 'Two waters' 6
session syntax_error 0 $'1\n1 2 x\n' water 'Two waters' 6
session repeat_counts 0 $'1\n6*-99\n2*\n\nno\nany\nany\n\n' water 'Two waters' 6
session huge_count 0 $'1\n-99 99 -99 99 -99 99\nyes\nany\nany\n\n' printf 'Huge\n2000000000\n    1SOL     OW    1   0.100   0.200   0.300\n'
