// A host for tests: answers questions from a script and records every message, status
// text, progress and title it is given.
#pragma once
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "session/host.hpp"

namespace lumivane::test {

class TestHost : public Host {
 public:
  struct Scripted {
    int Result;
    bool Checked = false;
  };

  // Answers for the next questions, in order; when none is left, DefaultAnswer(buttons, false).
  void Answer(int result, bool checked = false);

  MessageAnswer ShowMessage(const Message& message) override;
  void SetStatusText(int field, const std::string& text) override;
  void SetProgress(int position, int maximum) override;
  void SetTitle(const std::string& title) override;
  void ShowMemory(const std::string& text) override;
  void PlaySound(Sound sound) override;

  std::vector<Message> Messages() const;
  std::vector<std::string> StatusTexts(int field) const;
  std::string Title() const;
  int ProgressPosition() const;
  int ProgressReports() const;
  std::string Memory() const;
  int Sounds() const;

 private:
  mutable std::mutex mutex_;
  std::deque<Scripted> script_;
  std::vector<Message> messages_;
  std::vector<std::pair<int, std::string>> status_;
  std::string title_, memory_;
  int position_ = 0, reports_ = 0, sounds_ = 0;
};

}  // namespace lumivane::test
