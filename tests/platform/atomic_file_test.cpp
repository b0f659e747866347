#include "platform/atomic_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/error.hpp"

namespace fs = std::filesystem;

namespace lumivane::platform {

class AtomicFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("lumivane_atomic_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
  }
  fs::path dir;
};

TEST_F(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile) {
  const std::string path = (dir / "a.ini").string();
  WriteFileAtomically(path, "first");
  WriteFileAtomically(path, "second");
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, back));
  EXPECT_EQ(back, "second");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFile, FailedWriteKeepsTheExistingFile) {
  const std::string path = (dir / "keep.ini").string();
  WriteFileAtomically(path, "precious");
  if (::geteuid() == 0) {
    // Root ignores permissions: make the rename fail instead by targeting a directory.
    fs::create_directories(dir / "sub.ini");
    EXPECT_THROW(WriteFileAtomically((dir / "sub.ini").string(), "x"), Error);
  } else {
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteFileAtomically(path, "lost"), Error);
    fs::permissions(dir, fs::perms::owner_all);
  }
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, back));
  EXPECT_EQ(back, "precious");
  for (auto& e : fs::directory_iterator(dir))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(AtomicFile, MissingDirectoryIsAnErrorNamingTheFile) {
  const std::string path = (dir / "no" / "such.ini").string();
  try {
    WriteFileAtomically(path, "x");
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
}

}  // namespace lumivane::platform
