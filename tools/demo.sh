#!/usr/bin/env bash
# The demo: renders the sample recording from the bundled lunar photograph with the seeing
# simulator and runs the pipeline as far as it exists (opening and reading frames).
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/lumivane-cli"
sim="$build/tools/simulate/lumivane-simulate"
out="$build/demo"
mkdir -p "$out"
echo "== lumivane-cli $("$cli" version | cut -d' ' -f2)"
echo "Alignment, stacking and sharpening are still being built; this demo renders the sample"
echo "recording and opens it."
echo
echo "== rendering 100 frames of seeing over data/skimage_moon.png (seed 1, 8-bit SER)"
"$sim" data/skimage_moon.png -o "$out/moon.ser" --frames 100 --seed 1 --bits 8 \
  --truth "$out/moon-truth.csv" --reference "$out/moon-reference.png"
echo
echo "== info on $out/moon.ser"
"$cli" --quiet info "$out/moon.ser"
echo
echo "== frame 10, saved at full depth, with two samples"
"$cli" --quiet frame "$out/moon.ser" --index 10 -o "$out/frame10.png" --at 100,100 --at 256,300
echo
echo "Results are in $out: the recording, its truth (moon-truth.csv: shift, blur and field"
echo "of every frame) and the undistorted reference. Open the window with: make gui"
