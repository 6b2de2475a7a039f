# shellcheck shell=bash
# Helpers for the generate.sh scripts of the dialogue cases (sourced, bash). They spell out
# the console records the tool writes: every record begins with one blank and ends with
# CR LF, an empty write is a record of one blank, a count is a 12-column integer field.

# One console record holding the given text.
con() { printf ' %s\r\n' "$1"; }

# The record of an empty write: one blank.
blank() { printf ' \r\n'; }

# A console record of a text followed by a free-form integer (12 columns, right-justified).
con_count() { printf ' %s%12d\r\n' "$1" "$2"; }

# A report line as written on standard error (no traceback: the runner sets
# FOR_DISABLE_STACK_TRACE=1).
report() { printf '%s\r\n' "$1"; }

# Banner and file-name prompt, up to the read of the file name.
banner() {
  con "Gromacs .gro file analysis tool,programmed by Quorvane,V1.3,2008.Oct.15"
  con "Press Ctrl+C to exit"
  blank
  con "input filename"
}

# The shape menu, printed once the coordinate file is loaded.
shape_menu() {
  con "Select shape:"
  con "(1) box (2) ball (3) invert box (4) invert ball"
  con "(5) cylinder (6) invert cylinder"
  con "Input 1/2/3/4/5/6"
}

# Parameter prompts by shape group (box, ball, cylinder).
box_prompts() {
  con "Input range(nm): xmin,xmax,ymin,ymax,zmin,zmax"
  con "e.g. 0.1,1.12,-99,99,1,2.5 (The size inputed can exceed cell size)"
}
ball_prompts() {
  con "Input center coordinate of ball and radius(x,y,z,r)"
  con "e.g.  2.3,3.3,1.8,4 (The size inputed can exceed cell size)"
}
cylinder_prompts() {
  con "Input radius,z-min,z-max of cylinder and x,y of axis"
  con "e.g.  3.5,0,6.0,5.8,4.5 (The size inputed can exceed cell size)"
}

residue_question() {
  con "Reserve entire residue?"
  con "Input yes or no"
}

atom_question() {
  con "Input atoms type,e.g. OW"
  con 'If you don'"'"'t want to specify atom type,input "any"'
}

residue_name_question() {
  con "Input residue's name that atoms belong to,e.g. SOL"
  con 'If you don'"'"'t want to specify residue name,input "any"'
}

# The two count records.
counts() {
  con_count "The number of atoms correspond condition is: " "$1"
  con_count "The number of residue correspond condition is: " "$2"
}

# Closing messages and the final prompt; pass "yes" when residue.txt was written.
closing() {
  con "Detail result have been saved to result.gro"
  con "Atoms list have been saved to list.ndx"
  if [[ ${1:-} == yes ]]; then con "Residue list have been saved to residue.txt"; fi
  blank
  con "Press any key to exit"
}

# Starts a case directory afresh: removes what a generate.sh writes.
reset_case() {
  rm -rf input expected_stdout expected_stderr expected_status expected_files absent files \
    signal env copy needs
}
