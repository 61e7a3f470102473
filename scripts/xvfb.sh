# Sourced: start_xvfb starts Xvfb on a free display unless a display is
# already set (or always, with force), and stop_xvfb ends it by its pid.
tessavel_xvfb_pid=
start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != force ]; then return 0; fi
  local n
  for n in $(seq 90 150); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    tessavel_xvfb_pid=$!
    local i
    for i in $(seq 1 100); do
      [ -e /tmp/.X11-unix/X$n ] && break
      kill -0 $tessavel_xvfb_pid 2>/dev/null || break
      sleep 0.1
    done
    if [ -e /tmp/.X11-unix/X$n ]; then
      export DISPLAY=:$n
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}
stop_xvfb() {
  if [ -n "$tessavel_xvfb_pid" ]; then
    kill "$tessavel_xvfb_pid" 2>/dev/null || true
    wait "$tessavel_xvfb_pid" 2>/dev/null || true
    tessavel_xvfb_pid=
  fi
}
# A private display and Wine session for tests and benchmarks: ended, with
# the prefix's wineserver, when the calling script exits.
start_private_session() {
  start_xvfb force
  trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
}
