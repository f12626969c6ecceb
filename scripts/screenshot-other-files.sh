#!/usr/bin/env bash
# Takes docs/other-files.png: on the built-in demo network, the Users list of
# a query and, in front of it, the "Other Files Open" window of one row, in a
# virtual X display of its own. The user's settings and stored demo network
# are not touched: both live in a temporary directory for the run.
#
#   bash scripts/screenshot-other-files.sh [output.png [path [user]]]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target other_files_screenshot

output=${1:-docs/other-files.png}
path=${2:-F:\\ACCOUNTS\\LEDGER.DAT}
user=${3:-RPENA.ACCOUNTS.ACME}
source scripts/virtual_display.sh

mkdir -p "$(dirname "$output")"
DISPLAY=":$display" QT_QPA_PLATFORM=xcb TMPDIR="$home" \
  XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" \
  NWSIM_READONLY=1 \
  timeout 60 ./build/tests/admin/other_files_screenshot "$(realpath -m "$output")" "$path" "$user"
echo "Saved $output"
