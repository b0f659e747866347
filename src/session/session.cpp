#include "session/session.hpp"

#include "platform/system_info.hpp"
#include "session/rounding.hpp"
#include "session/session_controls.hpp"
#include "session/settings_groups.hpp"

namespace lumivane {

const std::array<const char*, kActiveOptionCount> kActiveOptionNames = {
    "Darkframe", "Flatfield", "Debayer", "ExtendedAVI", "Fit/TIF stretch", "Filtering", "Resample", "Region.O.I."};

namespace {
class SilentHost final : public Host {
 public:
  MessageAnswer ShowMessage(const Message& m) override { return {DefaultAnswer(m.Buttons, false), false}; }
  void SetStatusText(int, const std::string&) override {}
  void SetProgress(int, int) override {}
  void SetTitle(const std::string&) override {}
};
SilentHost gSilentHost;
}  // namespace

Session::Session() : host_(&gSilentHost) {
  RegisterSessionControls(Controls);
  RegisterSettingsControls(*this);
}

void Session::SetHost(Host* host) { host_ = host ? host : &gSilentHost; }

void Session::SetupImageDataSection(int w, int h) {
  host().SetStatusText(kStatusSummary, "Clearing old image datasection");
  host().Refresh();
  // Allocate below zero-fills every plane, which is all that clearing the old section
  // would add; one pass over the memory is enough.
  Data.StackSizeW = w;
  Data.StackSizeH = h;

  // The wavelet processing area: AreaSize cut to the image, centred where it fits.
  Area.Width = std::min(AreaSize, w);
  Area.Height = std::min(AreaSize, h);
  Area.OriginX = w >= AreaSize ? (w - AreaSize) / 2 : 0;
  Area.OriginY = h >= AreaSize ? (h - AreaSize) / 2 : 0;

  // Views scroll over the frame; large frames start centred.
  Scroll.RangeW = FrameW;
  Scroll.RangeH = FrameH;
  double f = Controls.Checked("Resampled") ? Controls.Double("Resamplespin") : 1.0;
  if (Controls.Checked("Drizzling")) f = 2.0;
  if (FrameW > 817) Scroll.PosX = RoundInt(CentreX * f) - 408;
  if (FrameH > 625) Scroll.PosY = RoundInt(CentreY * f) - 312;

  host().SetStatusText(kStatusSummary, "Setup new Image datasection");
  host().Refresh();
  Data.Allocate(w, h);
  RefreshMemoryReadout();
}

std::string Session::MemoryReadout() const {
  platform::MemoryStatus m = platform::ReadMemoryStatus();
  auto mb = [](std::uint64_t bytes) { return std::to_string(RoundInt64(static_cast<double>(bytes) / 1048576.0)); };
  return " Memory Used/Free/Total: " + mb(m.workingSetBytes) + "/" + mb(m.freeVirtualBytes) + "/" +
         mb(m.totalVirtualBytes) + "Mb";
}

int CALLMessagedlg(Session& s, const std::string& title, const std::string& text, const std::string& checkText,
                   bool withCheck, int buttons) {
  if (s.Controls.Checked("ProjectSounds")) s.host().PlaySound(Sound::Question);
  MessageAnswer a = s.host().ShowMessage(Message{title, text, checkText, withCheck, buttons});
  if (withCheck) s.MessageCheckState = a.Checked;
  return a.Result;
}

}  // namespace lumivane
