#!/usr/bin/env bash
# Runs the benchmarks of a Release build: bench/run.sh BUILD_DIR
set -euo pipefail
build=${1:-build/release}
"$build/bench/lumivane_bench" --benchmark_min_time=0.2 "${@:2}"
