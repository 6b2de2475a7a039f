#!/bin/sh
# Writes a multi-frame .gro trajectory from one frame: each residue takes a random walk (the
# same step for all its atoms), put back into the box by the position of its first atom, one
# frame every DT ps, as gmx trjconv -o traj.gro writes frames (title with t= and step=).
# Deterministic (its own random numbers), so tests and benchmarks can make it again.
#
# Usage: make_trajectory.sh [--frames N] [--dt PS] [--step NM] INPUT.gro OUTPUT.gro
#   --frames N   frames to write (default 50)
#   --dt PS      time between frames (default 1)
#   --step NM    largest step of a residue per frame along each axis (default 0.05)
set -eu

frames=50
dt=1
step=0.05
while [ $# -gt 2 ]; do
  case $1 in
    --frames) frames=$2; shift 2 ;;
    --dt) dt=$2; shift 2 ;;
    --step) step=$2; shift 2 ;;
    *) echo "make_trajectory.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done
[ $# -eq 2 ] || { sed -n '7,10p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

awk -v frames="$frames" -v dt="$dt" -v step="$step" '
  NR == 1 { title = $0; next }
  NR == 2 { n = $1 + 0; next }
  NR <= n + 2 { line[NR - 2] = $0; next }
  NR == n + 3 { lx = $1 + 0; ly = $2 + 0; lz = $3 + 0; box = $0 }
  # A linear congruential generator: the same walk on every machine.
  function uniform() { seed = (seed * 1103515245 + 12345) % 2147483648; return seed / 2147483648 }
  function wrapped(v, l) { while (v < 0) v += l; while (v >= l) v -= l; return v }
  END {
    seed = 42
    for (f = 0; f < frames; f++) {
      printf "%s t= %10.5f step= %d\n", title, f * dt, f * 500
      printf "%5d\n", n
      previous = ""
      for (i = 1; i <= n; i++) {
        residue = substr(line[i], 1, 10)
        if (residue != previous) {
          # A new residue: its walk goes on by one step, and its first atom decides the image.
          previous = residue
          if (f > 0) {
            wx[residue] += (2 * uniform() - 1) * step
            wy[residue] += (2 * uniform() - 1) * step
            wz[residue] += (2 * uniform() - 1) * step
          }
          x0 = substr(line[i], 21, 8) + 0; y0 = substr(line[i], 29, 8) + 0
          z0 = substr(line[i], 37, 8) + 0
          sx = wrapped(x0 + wx[residue], lx) - x0
          sy = wrapped(y0 + wy[residue], ly) - y0
          sz = wrapped(z0 + wz[residue], lz) - z0
        }
        printf "%s%8.3f%8.3f%8.3f%s\n", substr(line[i], 1, 20), substr(line[i], 21, 8) + sx,
          substr(line[i], 29, 8) + sy, substr(line[i], 37, 8) + sz, substr(line[i], 45)
      }
      print box
    }
  }' "$1" >"$2.tmp.$$"
mv "$2.tmp.$$" "$2"
