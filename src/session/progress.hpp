// Progress of the long stages: one counter per worker slot, the stage's maximum and start
// time, and the texts the user sees ("L 6:Stack 25%", "Time used: 00:00:10 Time left:
// 00:00:29"). Elapsed times come from a monotonic clock, so a run over midnight or a
// clock change is still timed right.
#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "session/limits.hpp"

namespace lumivane {

enum class ProgressKind { Align, Stack };

struct ProgressTexts {
  int Position = 0;
  std::optional<std::string> Title;  // unset when the maximum is 0
  std::string Time;
};

// "hh:mm:ss" of a duration (milliseconds cut off; hours keep counting past 24).
std::string FormatElapsed(std::chrono::milliseconds d);

// The texts for `done` of `maximum` items after `elapsed`.
ProgressTexts ComputeProgressTexts(ProgressKind kind, int done, int maximum, std::chrono::milliseconds elapsed);

class ProgressMonitor {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts a stage: counters to 0, the maximum, and the start time.
  void Start(ProgressKind kind, int maximum);
  void Reset();
  void SetCounter(int slot, int value) { counters_[static_cast<size_t>(slot)].store(value, std::memory_order_relaxed); }
  int Counter(int slot) const { return counters_[static_cast<size_t>(slot)].load(std::memory_order_relaxed); }
  int Done() const;
  int Maximum() const { return maximum_.load(); }
  void SetMaximum(int m) { maximum_.store(m); }
  ProgressKind Kind() const { return kind_; }
  Clock::time_point StartTime() const { return start_; }
  ProgressTexts Texts(Clock::time_point now) const;
  ProgressTexts Texts() const { return Texts(Clock::now()); }

  // Pausing: the stage's progress report waits while the user holds the pause box open.
  void SetPaused(bool paused);
  bool Paused() const;
  void WaitWhilePaused(const std::atomic<bool>& cancel);

 private:
  std::array<std::atomic<int>, kWorkerSlots> counters_{};
  std::atomic<int> maximum_{0};
  ProgressKind kind_ = ProgressKind::Align;
  Clock::time_point start_ = Clock::now();
  mutable std::mutex pauseMutex_;
  std::condition_variable pauseChanged_;
  bool paused_ = false;
};

}  // namespace lumivane
