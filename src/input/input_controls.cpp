#include "input/input_controls.hpp"

#include "input/ser_reader.hpp"
#include "session/controls.hpp"

namespace lumivane::input {

void RegisterInputControls(Controls& c) {
  const std::string s = "input";
  // Stretch policy for deep formats: 0 ask, 1 stretch, 2 do not stretch.
  const std::vector<std::string> stretch = {"Ask", "Stretch", "No stretch"};
  c.AddChoice(s, "Fittifstretch", stretch, 0);
  c.AddChoice(s, "RecFITTIFSTRETCH", stretch, 0);
  c.OnChange("Fittifstretch", [&c](Origin) { c.SetIndex("RecFITTIFSTRETCH", c.Index("Fittifstretch")); });
  c.AddCheck(s, "AutoDetectColour", false, "Autodetect colour");
  c.AddCheck(s, "MultipleAVIsortontime", false, "Sort on time");
  c.AddCheck(s, "AviSortRecord", false, "Sort on time");
  c.AddCheck(s, "ForceExtendedVideo", false, "Force extended video");
  c.AddChoice(s, "AviSizeMode", {"0", "1", "Extended Mode:Off", "Extended Mode:On"}, 2);
  c.AddChoice(s, "Videomode", {"Renderer 1", "Renderer 0"}, 0);
  c.AddCheck(s, "SingleImagewait", false);
  c.AddCheck(s, "PreviewFull", false, "Full preview");
  c.AddCheck(s, "Showstackgraph", false);
  c.AddText(s, "Objectnameedit", "");
  c.AddText(s, "Datetimeedit", "");
  // Kept for the settings file; debayering applies no white balance.
  c.AddCheck(s, "CamWhiteBalance", false, "Use Camera WhiteBalance (DSLR)");
  RegisterSerControls(c);
}

}  // namespace lumivane::input
