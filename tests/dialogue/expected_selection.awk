# Independent reference for the dialogue cases: selects atoms of a .gro file by the tool's rules
# (strict region tests in double precision, names compared left-justified and case-sensitive,
# "any" as wildcard, whole residues on "yes") and prints the expected result lines.
# Variables: shape (1..6), p (comma-separated parameters in the order typed), atom, resid
# (the five-character answers as typed), whole ("yes" or anything else), out ("atoms",
# "ndx" or "residues"). Stops with status 3 on a value so close to a boundary that the 32-bit
# values of the tool could decide differently from the doubles used here.
function leftJustify(s) { sub(/^ +/, "", s); return substr(s "     ", 1, 5) }
function near(a, b) { return a != b && (a - b < 1e-5 && b - a < 1e-5) }
function inside(x, y, z,   d) {
  if (shape == 1 || shape == 3) {
    if (near(x, q[1]) || near(x, q[2]) || near(y, q[3]) || near(y, q[4]) || near(z, q[5]) || near(z, q[6]))
      tie = 1
    d = (q[1] < x && x < q[2] && q[3] < y && y < q[4] && q[5] < z && z < q[6])
    return shape == 1 ? d : !d
  }
  if (shape == 2 || shape == 4) {
    d = sqrt((x - q[1]) ^ 2 + (y - q[2]) ^ 2 + (z - q[3]) ^ 2)
    if (near(d, q[4])) tie = 1
    return shape == 2 ? d < q[4] : !(d < q[4])
  }
  if (shape == 5 || shape == 6) {
    d = sqrt((x - q[4]) ^ 2 + (y - q[5]) ^ 2)
    if (near(d, q[1]) || near(z, q[2]) || near(z, q[3])) tie = 1
    d = (d < q[1] && q[2] < z && z < q[3])
    return shape == 5 ? d : !d
  }
  return 0
}
function namesMatch(i) {
  return (atom == "any  " || leftJustify(aname[i]) == atom) &&
         (resid == "any  " || leftJustify(rname[i]) == resid)
}
BEGIN { split(p, q, ","); atom = substr(atom "     ", 1, 5); resid = substr(resid "     ", 1, 5) }
NR == 2 { count = substr($0, 1, 5) + 0 }
NR > 2 && NR <= count + 2 {
  n++
  line[n] = $0
  resnr[n] = substr($0, 1, 5) + 0
  rname[n] = substr($0, 6, 5)
  aname[n] = substr($0, 11, 5)
  atomnr[n] = substr($0, 16, 5) + 0
  x[n] = substr($0, 21, 8) + 0; y[n] = substr($0, 29, 8) + 0; z[n] = substr($0, 37, 8) + 0
}
END {
  for (i = 1; i <= n; i++) {
    hit[i] = namesMatch(i) && inside(x[i], y[i], z[i])
    if (hit[i] && (nres == 0 || list[nres] != resnr[i])) { list[++nres] = resnr[i]; listed[resnr[i]] = 1 }
  }
  if (tie) { print "expected_selection.awk: a value lies too close to a boundary" > "/dev/stderr"; exit 3 }
  if (out == "residues") { for (k = 1; k <= nres; k++) printf "%6d\r\n", list[k]; exit }
  selected = 0
  for (i = 1; i <= n; i++) {
    if (!(hit[i] || (whole == "yes" && resnr[i] in listed))) continue
    selected++
    if (out == "atoms")
      printf "%5d%s%s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f\r\n", resnr[i], rname[i], aname[i], atomnr[i],
             x[i], y[i], z[i], substr(line[i], 45, 8) + 0, substr(line[i], 53, 8) + 0,
             substr(line[i], 61, 8) + 0
    else if (out == "ndx") {
      printf "%6d", atomnr[i]
      if (selected % 10 == 0) printf "\r\n"
    } else if (out == "counts") {
      # nothing per atom
    }
  }
  if (out == "ndx" && selected % 10 != 0) printf "\r\n"
  if (out == "counts") printf "%d %d\n", selected, nres
}
