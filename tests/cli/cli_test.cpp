// Runs lumivane-cli as a user would and checks its output and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Result {
  int code = -1;
  std::string out, err;
};

Result RunCli(const std::string& args) {
  const std::string errFile = (std::filesystem::temp_directory_path() / ("lv_cli_err_" + std::to_string(::getpid()))).string();
  const std::string cmd = std::string(LUMIVANE_CLI) + " " + args + " 2>" + errFile;
  Result r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream e(errFile);
  std::stringstream ss;
  ss << e.rdbuf();
  r.err = ss.str();
  std::filesystem::remove(errFile);
  return r;
}

}  // namespace

TEST(Cli, HelpAndVersion) {
  Result help = RunCli("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--appdir DIR"), std::string::npos);
  EXPECT_NE(help.out.find("settings"), std::string::npos);
  Result v = RunCli("--json version");
  EXPECT_EQ(v.code, 0);
  EXPECT_EQ(v.out.rfind("{\"version\": \"", 0), 0u) << v.out;
  EXPECT_EQ(RunCli("").code, 2);
}

TEST(Cli, SetAppliesControlsAndSettingsListsThem) {
  Result r = RunCli("--set Colourstack=1 --cores 3 --set resamplespin=2.6 --json settings");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("{\"name\": \"Cores\", \"kind\": \"integer\", \"value\": \"3\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"name\": \"Colourstack\", \"kind\": \"check\", \"value\": \"1\""), std::string::npos);
  EXPECT_NE(r.out.find("{\"name\": \"Resamplespin\", \"kind\": \"number\", \"value\": \"2.6\""), std::string::npos);
  Result clamped = RunCli("--cores 12 --json settings");
  EXPECT_EQ(clamped.code, 0);
  EXPECT_NE(clamped.out.find("\"name\": \"Cores\", \"kind\": \"integer\", \"value\": \"8\""), std::string::npos);
  EXPECT_NE(clamped.err.find("outside its range"), std::string::npos);
}

TEST(Cli, WrongCommandLinesExitWithTwoAndAClearMessage) {
  struct Case { const char* args; const char* says; };
  const Case cases[] = {
      {"--set NoSuchControl=1 settings", "Unknown control \"NoSuchControl\""},
      {"--set Cores=many settings", "Bad value \"many\" for control Cores"},
      {"--set Colourstack settings", "--set needs NAME=VALUE"},
      {"--frobnicate settings", "unknown option --frobnicate"},
      {"--appdir /no/such/folder settings", "no such folder"},
      {"--report", "--report needs a value"},
      {"transmogrify", "unknown command \"transmogrify\""},
  };
  for (const Case& c : cases) {
    Result r = RunCli(c.args);
    EXPECT_EQ(r.code, 2) << c.args;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << " said: " << r.err;
  }
}

TEST(Cli, ReportIsWrittenAsJson) {
  const auto path = std::filesystem::temp_directory_path() / ("lv_report_" + std::to_string(::getpid()) + ".json");
  Result r = RunCli("--report " + path.string() + " version");
  ASSERT_EQ(r.code, 0) << r.err;
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str().rfind("{\"command\": \"version\", \"timings\": {", 0), 0u) << ss.str();
  std::filesystem::remove(path);
}
