#!/usr/bin/env bash
# Runs every benchmark of a Release build and prints one table: bench/run.sh BUILD_DIR
set -euo pipefail
build=${1:-build/release}
python3 "$(dirname "$0")/table.py" "$build" "${@:2}"
