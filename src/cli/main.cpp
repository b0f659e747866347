// lumivane-cli: the processing stages headless.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/console_host.hpp"
#include "cli/input_commands.hpp"
#include "input/input_controls.hpp"
#include "align/align_controls.hpp"
#include "finish/finish_controls.hpp"
#include "stack/stack_controls.hpp"
#include "wavelet/wavelet_controls.hpp"
#include "lumivane_version.hpp"
#include "platform/atomic_file.hpp"
#include "platform/error.hpp"
#include "platform/system_info.hpp"
#include "session/control_listing.hpp"
#include "session/run_report.hpp"
#include "session/session.hpp"
#include "session/key_store.hpp"
#include "session/settings_groups.hpp"
#include "session/startup.hpp"
#include "session/text_format.hpp"

using namespace lumivane;

namespace {

const std::vector<std::string> kPlannedCommands = {"align", "stack", "process", "batch", "demo", "points"};

int Settings(Session& s, const cli::CommandLine& cl) {
  auto rows = ListControls(s.Controls);
  if (cl.Json) {
    std::fputs(ControlRowsJson(rows).c_str(), stdout);
    return 0;
  }
  std::printf("%-28s %-8s %-10s %-10s %-16s %s\n", "control", "kind", "value", "default", "group", "range");
  for (const auto& r : rows)
    std::printf("%-28s %-8s %-10s %-10s %-16s %s\n", r.Name.c_str(), r.Kind.c_str(), r.Value.c_str(), r.Default.c_str(),
                r.Group.c_str(), r.Range.c_str());
  return 0;
}

int Version(const cli::CommandLine& cl) {
  if (cl.Json) std::printf("{\"version\": \"%s\"}\n", LUMIVANE_VERSION);
  else std::printf("lumivane-cli %s\n", LUMIVANE_VERSION);
  return 0;
}

int Run(const cli::CommandLine& cl) {
  if (cl.Help || cl.Command.empty() || cl.Command == "help") {
    std::fputs(cli::kUsage, cl.Help || cl.Command == "help" ? stdout : stderr);
    return cl.Help || cl.Command == "help" ? 0 : 2;
  }
  if (!std::filesystem::is_directory(cl.AppDir)) throw cli::UsageError("--appdir: no such folder \"" + cl.AppDir + "\"");

  Session session;
  input::RegisterInputControls(session.Controls);
  align::RegisterAlignControls(session.Controls);
  stack::RegisterStackControls(session.Controls);
  wavelet::RegisterWaveletControls(session.Controls);
  finish::RegisterFinishControls(session.Controls);
  cli::ConsoleHost host(cl.Yes, cl.Quiet);
  session.SetHost(&host);
  session.AppDir = cl.AppDir;
  session.WriteSettings = false;
  // The settings of --appdir, as the window would start with them; nothing is written.
  RestoreStartGroups(session);
  StartSession(session, platform::ProcessorCount());
  LoadKeyStore(session, false);
  FillPresetLists(session);
  for (const auto& [name, value] : cl.Sets) {
    try {
      session.Controls.SetFromText(name, value, Origin::User);
    } catch (const Error& e) {
      throw cli::UsageError(e.what());
    }
    const ControlKind kind = session.Controls.Info(name).Kind;
    const auto asked = ParseDouble(value);
    const std::string now = session.Controls.ValueText(name);
    if ((kind == ControlKind::Int || kind == ControlKind::Double || kind == ControlKind::Slider) && asked &&
        *asked != session.Controls.Double(name))
      std::fprintf(stderr, "lumivane-cli: %s=%s is outside its range; using %s\n",
                   session.Controls.CanonicalName(name).c_str(), value.c_str(), now.c_str());
  }

  RunReport report;
  report.SetCommand(cl.Command);
  int rc = 0;
  if (cl.Command == "version") {
    rc = Version(cl);
  } else if (cl.Command == "settings") {
    rc = Settings(session, cl);
  } else if (cl.Command == "info") {
    rc = cli::InfoCommand(session, cl);
  } else if (cl.Command == "frame") {
    rc = cli::FrameCommand(session, cl);
  } else {
    for (const auto& planned : kPlannedCommands)
      if (cl.Command == planned) throw Error("the command \"" + planned + "\" is not available in this version yet");
    throw cli::UsageError("unknown command \"" + cl.Command + "\" (see --help)");
  }
  if (cl.Report) platform::WriteFileAtomically(*cl.Report, report.Json());
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return Run(cli::ParseCommandLine(args));
  } catch (const cli::UsageError& e) {
    std::fprintf(stderr, "lumivane-cli: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumivane-cli: %s\n", e.what());
    return 1;
  }
}
