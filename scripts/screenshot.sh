#!/usr/bin/env bash
# Takes docs/main-window.png: kestrune on the built-in demo network, in a
# virtual X display of its own. The user's settings and stored demo network
# are not touched: both live in a temporary directory for the run.
#
#   bash scripts/screenshot.sh [output.png [path to check at start]]
#
# Before the picture the browser can be walked and a tab chosen:
#   KESTRUNE_SCREENSHOT_BROWSE=FS1/DATA/ACCOUNTS KESTRUNE_SCREENSHOT_FILE=LEDGER.DAT \
#     bash scripts/screenshot.sh docs/browser.png
#   KESTRUNE_SCREENSHOT_BROWSE=FS1/DATA/ACCOUNTS KESTRUNE_SCREENSHOT_TAB="Server Info" \
#     bash scripts/screenshot.sh docs/server-info.png
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kestrune

output=${1:-docs/main-window.png}
shift $(( $# > 0 ? 1 : 0 ))
source scripts/virtual_display.sh

mkdir -p "$(dirname "$output")"
# KESTRUNE_SCREENSHOT makes the program save its window once start-up has
# finished, and close.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
  XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" \
  NWSIM_READONLY=1 KESTRUNE_SCREENSHOT="$(realpath -m "$output")" \
  timeout 60 ./build/app/kestrune "$@"
echo "Saved $output"
