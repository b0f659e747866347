// Argument handling of lumivane-cli: global options, the command and its arguments.
#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace lumivane::cli {

// A wrong command line (exit code 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandLine {
  std::string AppDir = ".";
  std::vector<std::pair<std::string, std::string>> Sets;  // in order; --cores N is Cores=N
  bool Yes = false;
  bool Quiet = false;
  bool Json = false;
  bool Help = false;
  std::optional<std::string> Report;
  std::string Command;
  std::vector<std::string> Arguments;
};

// Throws UsageError for unknown options, missing values and malformed --set.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace lumivane::cli
