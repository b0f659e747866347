#!/usr/bin/env bash
# The demo: runs what the pipeline has so far on the bundled sample.
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/lumivane-cli"
out="$build/demo"
mkdir -p "$out"
echo "== lumivane-cli $("$cli" version | cut -d' ' -f2)"
echo "Alignment, stacking and sharpening are still being built; this demo opens recordings."
echo
# A short raw grey video of the bundled lunar photograph (the seeing simulator comes later).
ffmpeg -v error -y -loop 1 -i data/skimage_moon.png -frames:v 50 -r 25 -pix_fmt gray -c:v rawvideo \
  -vtag Y800 "$out/moon_y800.avi"
echo "== info on $out/moon_y800.avi"
"$cli" --quiet info "$out/moon_y800.avi"
echo
echo "== frame 10, saved at full depth, with two samples"
"$cli" --quiet frame "$out/moon_y800.avi" --index 10 -o "$out/frame10.png" --at 100,100 --at 256,300
echo
echo "== the bundled photograph itself, as JSON"
"$cli" --quiet --json info data/skimage_moon.png
echo
echo "Results are in $out. Open the window with: make gui"
