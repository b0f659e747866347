#include "session/control_listing.hpp"

#include "session/controls.hpp"
#include "session/settings_groups.hpp"
#include "session/text_format.hpp"

namespace lumivane {

const char* ControlKindName(int kind) {
  switch (static_cast<ControlKind>(kind)) {
    case ControlKind::Check: return "check";
    case ControlKind::Int: return "integer";
    case ControlKind::Double: return "number";
    case ControlKind::Choice: return "choice";
    case ControlKind::Slider: return "slider";
    case ControlKind::Text: return "text";
  }
  return "?";
}

std::vector<ControlRow> ListControls(const Controls& c) {
  std::vector<ControlRow> rows;
  for (const std::string& name : c.Names()) {
    const ControlInfo info = c.Info(name);
    ControlRow r;
    r.Name = name;
    r.Kind = ControlKindName(static_cast<int>(info.Kind));
    r.Value = c.ValueText(name);
    r.Subsystem = info.Subsystem;
    r.Group = GroupOfControl(name);
    switch (info.Kind) {
      case ControlKind::Check:
        r.Range = "0/1";
        r.Default = info.DefaultChecked ? "1" : "0";
        break;
      case ControlKind::Text:
        r.Range = "text";
        r.Default = info.DefaultText;
        break;
      case ControlKind::Choice: {
        std::string items;
        for (size_t i = 0; i < info.Items.size(); ++i) items += (i ? "|" : "") + std::to_string(i) + "=" + info.Items[i];
        r.Range = items;
        r.Default = NumberText(info.DefaultNumber);
        break;
      }
      case ControlKind::Slider: {
        SliderState s = c.Slider(name);
        r.Range = std::to_string(s.Min) + ".." + std::to_string(s.Max);
        r.Default = NumberText(info.DefaultNumber);
        break;
      }
      default:
        r.Range = NumberText(info.Min) + ".." + NumberText(info.Max);
        if (info.Kind == ControlKind::Double) r.Range += " step " + NumberText(info.Step);
        r.Default = NumberText(info.DefaultNumber);
    }
    rows.push_back(std::move(r));
  }
  return rows;
}

std::string ControlRowsJson(const std::vector<ControlRow>& rows) {
  std::string out = "{\"controls\": [";
  for (size_t i = 0; i < rows.size(); ++i) {
    const ControlRow& r = rows[i];
    out += (i ? ",\n  " : "\n  ");
    out += "{\"name\": " + JsonQuote(r.Name) + ", \"kind\": " + JsonQuote(r.Kind) + ", \"value\": " +
           JsonQuote(r.Value) + ", \"range\": " + JsonQuote(r.Range) + ", \"default\": " + JsonQuote(r.Default) +
           ", \"group\": " + JsonQuote(r.Group) + ", \"subsystem\": " + JsonQuote(r.Subsystem) + "}";
  }
  out += "\n]}\n";
  return out;
}

}  // namespace lumivane
