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

#include "codecs/png_codec.hpp"

TEST(Cli, InfoAndFrameOnA16BitPngSet) {
  const auto dir = std::filesystem::temp_directory_path() / ("lv_cli_png_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (int f = 0; f < 3; ++f) {
    lumivane::Image16 px(9, 7);
    px.Pixel(4, 5)[0] = static_cast<std::uint16_t>(0x1234 + f);
    px.Pixel(4, 5)[1] = 0x0100;
    lumivane::codecs::WritePNG16((dir / ("p" + std::to_string(f) + ".png")).string(), px);
  }
  const std::string files = (dir / "p0.png").string() + " " + (dir / "p1.png").string() + " " + (dir / "p2.png").string();
  Result info = RunCli("--json --yes info " + files);
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_EQ(info.out, "{\"source\": \"png\", \"frames\": 3, \"width\": 9, \"height\": 7, \"bits\": 16, \"colour\": true, "
                      "\"bayer\": null}\n");
  const std::string out = (dir / "f2.tif").string();
  Result frame = RunCli("--json --yes frame " + files + " --index 2 --at 4,5 -o " + out);
  ASSERT_EQ(frame.code, 0) << frame.err;
  EXPECT_NE(frame.out.find("{\"x\": 4, \"y\": 5, \"raw\": [4662, 256, 0], \"view\": [0, 1, 18]}"), std::string::npos)
      << frame.out;
  EXPECT_TRUE(std::filesystem::exists(out));
  EXPECT_EQ(RunCli("--yes frame " + files + " --index 3").code, 1);  // no such frame
  EXPECT_EQ(RunCli("--yes frame " + files + " --index 0 --at 9,0").code, 1);  // outside the frame
  EXPECT_EQ(RunCli("--yes frame " + files + " --index 0 -o x.jpg").code, 2);
  std::filesystem::remove_all(dir);
}

TEST(Cli, RealRecordingsOpenWithTheirFrameCounts) {
  const char* data = std::getenv("LUMIVANE_TESTDATA");
  if (!data || !*data) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  const std::string d = std::string(data) + "/recordings/";
  struct Case { const char* file; const char* expected; };
  const Case cases[] = {
      {"moon_crop256_y800_ffmpeg.avi", "\"frames\": 101, \"width\": 256, \"height\": 256, \"bits\": 8"},
      {"moon_crop128_bgr24_topdown_ffmpeg.avi", "\"frames\": 16, \"width\": 128, \"height\": 128"},
      {"moon_crop128_bgr24_bottomup_ffmpeg.avi", "\"frames\": 16, \"width\": 128, \"height\": 128"},
  };
  for (const Case& c : cases) {
    Result r = RunCli("--json info " + d + c.file);
    EXPECT_EQ(r.code, 0) << c.file << ": " << r.err;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.file << ": " << r.out;
  }
  // Top-down and bottom-up storage give the same pixels.
  Result top = RunCli("--json frame " + d + cases[1].file + " --index 7 --at 3,4 --at 120,90");
  Result bottom = RunCli("--json frame " + d + cases[2].file + " --index 7 --at 3,4 --at 120,90");
  EXPECT_EQ(top.out.substr(top.out.find("\"samples\"")), bottom.out.substr(bottom.out.find("\"samples\"")));
}
