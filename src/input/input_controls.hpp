// Registers the controls of opening and reading recordings.
#pragma once

namespace lumivane {
class Controls;
}

namespace lumivane::input {
void RegisterInputControls(Controls& c);
}
