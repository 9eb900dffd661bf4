# Sourced by the package tests: each check reports itself and is counted when it fails.
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# shellcheck source=../support/wait-for.sh
. "$(dirname "${BASH_SOURCE[0]}")/../support/wait-for.sh"
