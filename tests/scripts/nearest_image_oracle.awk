# The selection --pbc should make, worked out independently of the tool: for every atom of a
# .gro file, every lattice shift with coefficients -3..3 of the box line's vectors is tried and
# the one nearest to the region's centre kept; that image is tested against the region
# (strictly; outside = not inside) and the names; whole residues add every atom of a selected
# residue number at its own nearest image. Prints "atom-number x y z" per selected atom in
# file order, in double precision.
#
# Usage: awk -v shape=box|ball|cylinder -v numbers=N,N,... -v outside=0|1 -v atom=NAME|any
#            -v residue=NAME|any -v whole=0|1 -f nearest_image_oracle.awk FILE.gro
function trim(s) { gsub(/^ +| +$/, "", s); return s }
FNR == 2 { count = $1 + 0; next }
FNR > 2 && FNR <= count + 2 {
  n++
  resnum[n] = substr($0, 1, 5) + 0
  resname[n] = trim(substr($0, 6, 5))
  atomname[n] = trim(substr($0, 11, 5))
  num[n] = substr($0, 16, 5) + 0
  px[n] = substr($0, 21, 8) + 0; py[n] = substr($0, 29, 8) + 0; pz[n] = substr($0, 37, 8) + 0
  next
}
FNR == count + 3 { nb = split($0, b, " ") }
function inside(x, y, z,    dx, dy) {
  if (shape == "box")
    return p[1] < x && x < p[2] && p[3] < y && y < p[4] && p[5] < z && z < p[6]
  if (shape == "ball")
    return sqrt((x - p[1]) ^ 2 + (y - p[2]) ^ 2 + (z - p[3]) ^ 2) < p[4]
  dx = x - p[4]; dy = y - p[5]
  return sqrt(dx * dx + dy * dy) < p[1] && p[2] < z && z < p[3]
}
END {
  # v1x v2y v3z [v1y v1z v2x v2z v3x v3y]
  for (i = 4; i <= 9; i++) if (nb == 3) b[i] = 0
  v[1, 1] = b[1]; v[1, 2] = b[4]; v[1, 3] = b[5]
  v[2, 1] = b[6]; v[2, 2] = b[2]; v[2, 3] = b[7]
  v[3, 1] = b[8]; v[3, 2] = b[9]; v[3, 3] = b[3]
  split(numbers, p, ",")
  if (shape == "box") { cx = (p[1] + p[2]) / 2; cy = (p[3] + p[4]) / 2; cz = (p[5] + p[6]) / 2 }
  else if (shape == "ball") { cx = p[1]; cy = p[2]; cz = p[3] }
  else { cx = p[4]; cy = p[5]; cz = (p[2] + p[3]) / 2 }
  for (i = 1; i <= n; i++) {
    best = -1
    for (a = -3; a <= 3; a++) for (c = -3; c <= 3; c++) for (k = -3; k <= 3; k++) {
      x = px[i] + a * v[1, 1] + c * v[2, 1] + k * v[3, 1]
      y = py[i] + a * v[1, 2] + c * v[2, 2] + k * v[3, 2]
      z = pz[i] + a * v[1, 3] + c * v[2, 3] + k * v[3, 3]
      d = (x - cx) ^ 2 + (y - cy) ^ 2 + (z - cz) ^ 2
      if (best < 0 || d < best) { best = d; ix[i] = x; iy[i] = y; iz[i] = z }
    }
    hit = inside(ix[i], iy[i], iz[i])
    if (outside) hit = !hit
    named = (atom == "any" || atomname[i] == atom) && (residue == "any" || resname[i] == residue)
    selected[i] = hit && named
    if (selected[i]) wanted[resnum[i]] = 1
  }
  for (i = 1; i <= n; i++) {
    if (selected[i] || (whole && resnum[i] in wanted)) printf "%d %.6f %.6f %.6f\n", num[i], ix[i], iy[i], iz[i]
  }
}
