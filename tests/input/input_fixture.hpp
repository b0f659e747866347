// A fresh session with the input controls, a recording test host and a temporary folder
// of its own for every test.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "input/input_controls.hpp"
#include "session/session.hpp"
#include "support/test_host.hpp"

namespace lumivane::input {

class InputFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("lv_input_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    RegisterInputControls(s.Controls);
    s.SetHost(&host);
    s.AppDir = dir.string();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
  Session s;
  test::TestHost host;
};

}  // namespace lumivane::input
