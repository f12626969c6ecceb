#!/usr/bin/env bash
# Builds krcmd and runs its main job on the built-in demo network: every
# connection using the files of the accounting directory, subdirectories too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target krcmd
# The demo run only looks; NWSIM_READONLY keeps the stored demo network as it is.
NWSIM_READONLY=1 ./build/cmdline/krcmd 'F:\ACCOUNTS\*.*' /s
