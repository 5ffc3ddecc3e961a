# Sourced: starts a private Xvfb display for this shell and stops it on exit.
keytool_start_xvfb() {
  local n
  for n in $(seq 90 120); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KEYTOOL_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    trap 'kill $KEYTOOL_XVFB_PID 2>/dev/null || true' EXIT
    return 0
  done
  echo "no free X display" >&2
  return 1
}
