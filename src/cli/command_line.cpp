#include "cli/command_line.hpp"

namespace lumivane::cli {

const char* const kUsage =
    "Usage: lumivane-cli [global options] COMMAND [arguments]\n"
    "\n"
    "Global options:\n"
    "  --appdir DIR        working folder of settings files and presets (default: .)\n"
    "  --set NAME=VALUE    set a control after the settings files are loaded (repeatable)\n"
    "  --cores N           the same as --set Cores=N\n"
    "  --yes               answer Yes (or OK) to every question; otherwise No, or Cancel\n"
    "  --quiet             no progress bar\n"
    "  --json              machine-readable output on stdout\n"
    "  --report FILE       write a JSON report of stage timings, counts and sizes\n"
    "  --help              this text\n"
    "\n"
    "Commands:\n"
    "  info RECORDING...   open the recording and print source kind, frame count, size, bits,\n"
    "                      colour or grey, Bayer pattern\n"
    "  frame RECORDING... --index N [-o OUT] [--at X,Y]...\n"
    "                      read frame N; save it (.bmp the picture as shown, .png/.tif 16-bit\n"
    "                      full depth); --at prints the full-depth samples and the 8-bit view B G R\n"
    "  settings            every control with its value, range, default and settings group\n"
    "  version             the program's version\n"
    "\n"
    "Commands still being built: align, stack, process, batch, demo, points.\n"
    "\n"
    "Exit codes: 0 done; 1 the work failed (message on stderr); 2 the command line is wrong.\n";

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  auto value = [&](size_t& i, const std::string& option) -> std::string {
    if (i + 1 >= args.size()) throw UsageError(option + " needs a value");
    return args[++i];
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!cl.Command.empty()) {
      cl.Arguments.push_back(a);
      continue;
    }
    if (a == "--appdir") {
      cl.AppDir = value(i, a);
    } else if (a == "--set") {
      std::string kv = value(i, a);
      auto eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) throw UsageError("--set needs NAME=VALUE, got \"" + kv + "\"");
      cl.Sets.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
    } else if (a == "--cores") {
      cl.Sets.emplace_back("Cores", value(i, a));
    } else if (a == "--yes") {
      cl.Yes = true;
    } else if (a == "--quiet") {
      cl.Quiet = true;
    } else if (a == "--json") {
      cl.Json = true;
    } else if (a == "--report") {
      cl.Report = value(i, a);
    } else if (a == "--help" || a == "-h") {
      cl.Help = true;
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else {
      cl.Command = a;
    }
  }
  return cl;
}

}  // namespace lumivane::cli
