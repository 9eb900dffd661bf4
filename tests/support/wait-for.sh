# Sourced by the shell scripts of the tests, the demo and the benchmark (POSIX sh).

# Polls "$@" every 50 ms until it succeeds or $1 seconds have passed; 1 when time ran out.
wait_for() {
  wait_for_limit=$(($1 * 20))
  wait_for_tries=0
  shift
  until "$@"; do
    wait_for_tries=$((wait_for_tries + 1))
    [ "$wait_for_tries" -ge "$wait_for_limit" ] && return 1
    sleep 0.05
  done
  return 0
}
