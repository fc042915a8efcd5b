# Sourced by the scripts that drive the window under a virtual display.
# wait_window NAME-REGEX: waits until a visible window whose name matches exists; prints its id.
wait_window() {
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "$(basename "$0"): no window named '$1'" >&2
  return 1
}
