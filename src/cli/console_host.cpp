#include "cli/console_host.hpp"

#include <unistd.h>

namespace lumivane::cli {

ConsoleHost::ConsoleHost(bool answerYes, bool quiet, std::FILE* err)
    : yes_(answerYes), bar_(!quiet && ::isatty(::fileno(err))), err_(err) {}

void ConsoleHost::ClearBar() {
  if (barShown_) {
    std::fputs("\r\033[K", err_);
    barShown_ = false;
  }
}

MessageAnswer ConsoleHost::ShowMessage(const Message& m) {
  std::lock_guard lock(mutex_);
  ClearBar();
  const int result = DefaultAnswer(m.Buttons, yes_);
  std::fprintf(err_, "MSG %s | %s -> %s\n", m.Title.c_str(), m.Text.c_str(), ResultName(result));
  std::fflush(err_);
  return {result, false};
}

void ConsoleHost::SetStatusText(int field, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (field == kStatusTime) time_ = text;
}

void ConsoleHost::SetTitle(const std::string& title) {
  std::lock_guard lock(mutex_);
  title_ = title;
}

void ConsoleHost::SetProgress(int position, int maximum) {
  std::lock_guard lock(mutex_);
  if (!bar_ || maximum <= 0) return;
  const int width = 30;
  int filled = static_cast<int>(static_cast<long long>(position) * width / maximum);
  if (filled > width) filled = width;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(width, '-');
  std::fprintf(err_, "\r\033[K%s [%s] %d/%d %s", title_.c_str(), bar.c_str(), position, maximum, time_.c_str());
  std::fflush(err_);
  barShown_ = true;
}

void ConsoleHost::Attention() {
  std::lock_guard lock(mutex_);
  ClearBar();
}

}  // namespace lumivane::cli
