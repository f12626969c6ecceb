#!/usr/bin/env bash
# Takes docs/about-update.png: the About box after a check for updates that
# found a newer version. The update document is served on 127.0.0.1 by a
# small HTTP server of this script's own, at a port chosen at run time.
#
#   bash scripts/screenshot-about.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/about-update.png}
site=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$site"
}
trap cleanup EXIT

mkdir -p "$site/versions"
cat > "$site/versions/versions.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<ProductVersions>
  <Kestrune>
    <Version>3.21</Version>
    <URL>https://www.copperlathe.example/kestrune/download/kestrune-3.21.tar.gz</URL>
  </Kestrune>
</ProductVersions>
XML

# Port 0: the system chooses; the server says which on its first line.
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$site" > "$site/server.log" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$site/server.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the HTTP server did not start" >&2; exit 1; }

KESTRUNE_UPDATE_URL="http://127.0.0.1:$port" KESTRUNE_SCREENSHOT_ABOUT=1 \
  bash scripts/screenshot.sh "$output"
