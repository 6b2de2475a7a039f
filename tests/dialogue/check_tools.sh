# shellcheck shell=bash
# Named checks for test scripts: problem() notes what is wrong, finish NAME prints PASS or
# FAIL with the notes and counts it, summary prints the counts and fails when one failed.

passed=0
failed=0
problems=()
problem() { problems+=("$*"); }
finish() {
  if ((${#problems[@]} == 0)); then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    printf '  %s\n' "${problems[@]//$'\n'/$'\n'  }"
    failed=$((failed + 1))
  fi
  problems=()
}
summary() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
}
