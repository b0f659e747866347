#include "session/progress.hpp"

#include <cstdio>

#include "session/rounding.hpp"

namespace lumivane {

std::string FormatElapsed(std::chrono::milliseconds d) {
  long long ms = d.count() < 0 ? -d.count() : d.count();
  long long s = ms / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
  return buf;
}

ProgressTexts ComputeProgressTexts(ProgressKind kind, int done, int maximum, std::chrono::milliseconds elapsed) {
  ProgressTexts t;
  t.Position = done;
  if (maximum > 0) {
    int percent = RoundInt(static_cast<double>(done) / maximum * 100.0);
    t.Title = std::string(kind == ProgressKind::Stack ? "L 6:Stack " : "L 6:Align ") + std::to_string(percent) + "%";
  }
  double elapsedMs = static_cast<double>(elapsed.count() < 0 ? -elapsed.count() : elapsed.count());
  long long remaining = RoundInt64(elapsedMs / (done + 1.0) * (maximum - done));
  t.Time = "Time used: " + FormatElapsed(elapsed) + " Time left: " + FormatElapsed(std::chrono::milliseconds(remaining));
  return t;
}

void ProgressMonitor::Start(ProgressKind kind, int maximum) {
  Reset();
  kind_ = kind;
  maximum_.store(maximum);
  start_ = Clock::now();
}

void ProgressMonitor::Reset() {
  for (auto& c : counters_) c.store(0);
}

int ProgressMonitor::Done() const {
  int sum = 0;
  for (const auto& c : counters_) sum += c.load(std::memory_order_relaxed);
  return sum;
}

ProgressTexts ProgressMonitor::Texts(Clock::time_point now) const {
  return ComputeProgressTexts(kind_, Done(), Maximum(),
                              std::chrono::duration_cast<std::chrono::milliseconds>(now - start_));
}

void ProgressMonitor::SetPaused(bool paused) {
  {
    std::lock_guard lock(pauseMutex_);
    paused_ = paused;
  }
  pauseChanged_.notify_all();
}

bool ProgressMonitor::Paused() const {
  std::lock_guard lock(pauseMutex_);
  return paused_;
}

void ProgressMonitor::WaitWhilePaused(const std::atomic<bool>& cancel) {
  std::unique_lock lock(pauseMutex_);
  while (paused_ && !cancel.load()) pauseChanged_.wait_for(lock, std::chrono::milliseconds(50));
}

}  // namespace lumivane
