// The commands that open a recording: info and frame.
#pragma once
#include "cli/command_line.hpp"

namespace lumivane {
class Session;
}

namespace lumivane::cli {
int InfoCommand(Session& s, const CommandLine& cl);
int FrameCommand(Session& s, const CommandLine& cl);
}  // namespace lumivane::cli
