# Sourced by the scripts with long steps, so that they say what they are doing at least every
# 10 seconds instead of sitting silent.
#
# step WHAT COMMAND [ARGS...]
#   Runs COMMAND with its output in a log. Says WHAT at the start, then every 8 seconds the time
#   so far and the latest line of the log, and the time taken at the end. When COMMAND fails,
#   shows the end of its log and returns its status.
step() {
  local what=$1 log started=$SECONDS status=0
  shift
  log=$(mktemp)
  echo "$what ..."
  "$@" >"$log" 2>&1 </dev/null &
  local pid=$! next=$((SECONDS + 8)) last
  while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    if ((SECONDS >= next)); then
      last=$(tail -n 1 "$log" | tr -d '\r' | cut -c1-110)
      echo "  ... $((SECONDS - started)) s${last:+: $last}"
      next=$((SECONDS + 8))
    fi
  done
  wait "$pid" || status=$?
  if ((status != 0)); then
    echo "$what: failed (status $status) after $((SECONDS - started)) s; the end of its output:" >&2
    tail -n 40 "$log" >&2
  else
    echo "  done in $((SECONDS - started)) s"
  fi
  rm -f "$log"
  return "$status"
}
