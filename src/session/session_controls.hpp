// Registers the controls the session shell itself defines: stage tabs and their tool
// toggles, worker count, sounds, colour switches and the frame sliders.
#pragma once

namespace lumivane {
class Controls;
void RegisterSessionControls(Controls& c);
}  // namespace lumivane
