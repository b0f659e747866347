// The host of the command line: messages go to stderr as "MSG <title> | <text> -> <answer>",
// questions are answered by --yes (or No / Cancel without it), progress is a bar on stderr
// when stderr is a terminal.
#pragma once
#include <cstdio>
#include <mutex>
#include <string>

#include "session/host.hpp"

namespace lumivane::cli {

class ConsoleHost : public Host {
 public:
  ConsoleHost(bool answerYes, bool quiet, std::FILE* err = stderr);

  MessageAnswer ShowMessage(const Message& message) override;
  void SetStatusText(int field, const std::string& text) override;
  void SetProgress(int position, int maximum) override;
  void SetTitle(const std::string& title) override;
  void Attention() override;

 private:
  void ClearBar();

  bool yes_;
  bool bar_;
  std::FILE* err_;
  std::mutex mutex_;
  std::string title_, time_;
  bool barShown_ = false;
};

}  // namespace lumivane::cli
