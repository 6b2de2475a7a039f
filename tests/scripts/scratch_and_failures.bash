# A scratch directory removed when the script ends, and fail(), which reports a failed check
# and counts it in `failures` for the script's summary.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
