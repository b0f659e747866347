#!/usr/bin/env bash
# The demo: runs what the pipeline has so far on the bundled sample.
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/lumivane-cli"
echo "== lumivane-cli $("$cli" version | cut -d' ' -f2)"
echo "The processing pipeline is still being built: opening recordings, alignment,"
echo "stacking and sharpening arrive in the next steps. What exists today:"
echo
echo "== the controls every stage reads (first 15 of $("$cli" settings | tail -n +2 | wc -l)):"
"$cli" --cores 2 settings | head -16
echo
echo "== a wrong control is refused with exit code 2:"
set +e
"$cli" --set NoSuchControl=1 settings
echo "exit code $?"
set -e
echo
echo "Open the window with: make gui"
