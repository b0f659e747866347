// Registers the controls of the alignment stage: placing alignment points, tracking them
// through the frames, the quality measure and the frame limit.
#pragma once

namespace lumivane {
class Controls;
}

namespace lumivane::align {
void RegisterAlignControls(Controls& c);
}
