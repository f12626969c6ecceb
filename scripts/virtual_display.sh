# Sourced by the screenshot scripts: starts a virtual X display of its own
# (the first free number from :90 up) and a temporary home for the run, and
# removes both when the script ends. Sets display and home.
home=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x640x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
