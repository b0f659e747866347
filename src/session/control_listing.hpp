// A readable description of every control: value, range, default and the settings group
// that stores it (for `lumivane-cli settings` and the documentation).
#pragma once
#include <string>
#include <vector>

namespace lumivane {

class Controls;

struct ControlRow {
  std::string Name, Kind, Value, Range, Default, Group, Subsystem;
};

const char* ControlKindName(int kind);
std::vector<ControlRow> ListControls(const Controls& c);
std::string ControlRowsJson(const std::vector<ControlRow>& rows);

}  // namespace lumivane
