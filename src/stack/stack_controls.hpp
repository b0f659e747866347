// Registers the controls of the stacking stage: stack size, local geometry, intensity
// handling and the registered sequence export.
#pragma once

namespace lumivane {
class Controls;
}

namespace lumivane::stack {
void RegisterStackControls(Controls& c);
}
