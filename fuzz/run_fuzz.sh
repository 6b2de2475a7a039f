#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang++ in their own build directory and runs each for a
# bounded time. A crash, a sanitizer report, a hang (-timeout) or a memory blow-up
# (-rss_limit_mb) fails the run; the input that caused it is kept in the build directory.
#
# Usage: fuzz/run_fuzz.sh [HARNESS...]     (default: every harness)
# Environment: FUZZ_SECONDS per harness (default 60), FUZZ_BUILD build directory (default
# build-fuzz in the source tree), FUZZ_JOBS build jobs (default 2).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-2}
all=(read_list read_fixed loader whole_run)
harnesses=("$@")
((${#harnesses[@]} > 0)) || harnesses=("${all[@]}")

# Largest input per harness: room for long lines and a few hundred atoms, small enough that
# every input runs in milliseconds.
max_len() {
  case $1 in
    read_list | read_fixed) echo 4096 ;;
    *) echo 16384 ;;
  esac
}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "run_fuzz.sh: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2
  exit 2
fi

targets=()
for harness in "${harnesses[@]}"; do targets+=("${harness}_fuzz"); done
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGRO_FUZZ=ON -DGRO_TESTS=OFF >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log" >&2; exit 2; }
rm -f "$build.configure.log"
cmake --build "$build" --target "${targets[@]}" -j"$jobs" >"$build/build.log" 2>&1 ||
  { tail -n 40 "$build/build.log" >&2; exit 2; }

summary=$build/fuzz-summary.txt
: >"$summary"
failed=0
for harness in "${harnesses[@]}"; do
  corpus=$build/corpus/$harness        # grows; the seeds in the source tree stay as they are
  artifacts=$build/artifacts/$harness
  log=$build/$harness.log
  mkdir -p "$corpus" "$artifacts"
  inputs=("$corpus" "$root/fuzz/corpus/$harness")
  [[ -d $root/fuzz/regressions/$harness ]] && inputs+=("$root/fuzz/regressions/$harness")
  echo "fuzzing $harness for $seconds s"
  "$build/fuzz/${harness}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$(max_len "$harness")" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "${inputs[@]}" >"$log" 2>&1
  status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
  line="$harness: ${executions:-?} executions in $seconds s, ${coverage:-cov: ?}, corpus $(ls "$corpus" | wc -l) inputs"
  if ((status == 0)); then
    echo "  ok   $line" | tee -a "$summary"
  else
    failed=$((failed + 1))
    echo "  FAIL $line (exit $status)" | tee -a "$summary"
    grep -E 'ERROR|SUMMARY|==[0-9]+==|runtime error|property violated|Test unit written' "$log" | head -n 20
    echo "  log: $log"
    echo "  keep the input as fuzz/regressions/$harness/<what-it-was> once fixed"
  fi
done
echo "summary in $summary"
((failed == 0))
