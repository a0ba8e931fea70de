# Sourced by the end-to-end scripts: counts checks, names each one that fails.
#   check NAME COMMAND...   passes when COMMAND succeeds
#   report NAME             prints "NAME: N passed, N failed"; fails when any check failed
passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name" >&2; fi
}
report() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
