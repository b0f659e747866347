// Registers the controls of the finishing tools: gamma, histogram stretch, contrast and
// brightness, RGB balance and alignment, resize and rotation, and the mask.
#pragma once

namespace lumivane {
class Controls;
}

namespace lumivane::finish {
void RegisterFinishControls(Controls& c);
}
