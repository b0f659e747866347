#include "support/test_host.hpp"

namespace lumivane::test {

void TestHost::Answer(int result, bool checked) {
  std::lock_guard lock(mutex_);
  script_.push_back({result, checked});
}

MessageAnswer TestHost::ShowMessage(const Message& message) {
  std::lock_guard lock(mutex_);
  messages_.push_back(message);
  if (script_.empty()) return {DefaultAnswer(message.Buttons, false), false};
  Scripted s = script_.front();
  script_.pop_front();
  return {s.Result, s.Checked};
}

void TestHost::SetStatusText(int field, const std::string& text) {
  std::lock_guard lock(mutex_);
  status_.emplace_back(field, text);
}

void TestHost::SetProgress(int position, int) {
  std::lock_guard lock(mutex_);
  position_ = position;
  ++reports_;
}

void TestHost::SetTitle(const std::string& title) {
  std::lock_guard lock(mutex_);
  title_ = title;
}

void TestHost::ShowMemory(const std::string& text) {
  std::lock_guard lock(mutex_);
  memory_ = text;
}

void TestHost::PlaySound(Sound) {
  std::lock_guard lock(mutex_);
  ++sounds_;
}

std::vector<Message> TestHost::Messages() const { std::lock_guard lock(mutex_); return messages_; }
std::vector<std::string> TestHost::StatusTexts(int field) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& [f, t] : status_)
    if (f == field) out.push_back(t);
  return out;
}
std::string TestHost::Title() const { std::lock_guard lock(mutex_); return title_; }
int TestHost::ProgressPosition() const { std::lock_guard lock(mutex_); return position_; }
int TestHost::ProgressReports() const { std::lock_guard lock(mutex_); return reports_; }
std::string TestHost::Memory() const { std::lock_guard lock(mutex_); return memory_; }
int TestHost::Sounds() const { std::lock_guard lock(mutex_); return sounds_; }

}  // namespace lumivane::test
