#include "session/frame_jobs.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/error.hpp"
#include "session/session.hpp"
#include "support/test_host.hpp"

namespace lumivane {

namespace {
// Writes frame + 1 into its own frames' entries, like a stage writes per-frame results.
class MarkJob : public FrameJob {
 public:
  using FrameJob::FrameJob;
  int failAt = -1;
  int sleepMs = 0;
  void Execute() override {
    for (int f = FirstFrame; f <= LastFrame; ++f) {
      if (CancelRequested()) return;
      if (f == failAt) throw Error("Frame " + std::to_string(f) + " could not be read");
      if (sleepMs) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
      session().Frames.Entries[static_cast<size_t>(f)].Quality = static_cast<float>(f + 1);
      FrameDone(f);
    }
  }
};

struct ScopedEnv {
  explicit ScopedEnv(const char* value) {
    if (const char* old = std::getenv("NUMBER_OF_PROCESSORS")) saved = old;
    if (value) setenv("NUMBER_OF_PROCESSORS", value, 1);
    else unsetenv("NUMBER_OF_PROCESSORS");
  }
  ~ScopedEnv() {
    if (saved.empty()) unsetenv("NUMBER_OF_PROCESSORS");
    else setenv("NUMBER_OF_PROCESSORS", saved.c_str(), 1);
  }
  std::string saved;
};
}  // namespace

TEST(FrameJobs, EveryFrameIsDoneOnceWhateverTheWorkerAndJobCounts) {
  for (const char* workers : {"1", "3"}) {
    ScopedEnv env(workers);
    for (int jobs : {1, 3, 4, 8}) {
      Session s;
      test::TestHost host;
      s.SetHost(&host);
      const int n = 103;
      s.Frames.ResizeEntries(n);
      s.Progress.Start(ProgressKind::Align, n);
      RunFrameJobs(n, jobs, [&](WorkerPool& pool, JobRange r, int index, int interval) {
        pool.Add<MarkJob>(s, r, index, interval);
      });
      for (int f = 0; f < n; ++f) ASSERT_EQ(s.Frames.Entries[static_cast<size_t>(f)].Quality, f + 1.0f) << f;
      EXPECT_EQ(s.Progress.Done(), n) << "workers " << workers << " jobs " << jobs;
      EXPECT_GT(host.ProgressReports(), 0);
      EXPECT_EQ(host.Title().rfind("L 6:Align ", 0), 0u);
    }
  }
}

TEST(FrameJobs, JobZeroReportsEveryIntervalFrames) {
  Session s;
  test::TestHost host;
  s.SetHost(&host);
  const int n = 2 * 500;  // chunk 500 -> interval 10 -> 50 reports from job 0
  s.Frames.ResizeEntries(n);
  s.Progress.Start(ProgressKind::Stack, n);
  RunFrameJobs(n, 2, [&](WorkerPool& pool, JobRange r, int index, int interval) {
    EXPECT_EQ(interval, 10);
    pool.Add<MarkJob>(s, r, index, interval);
  });
  EXPECT_EQ(host.ProgressReports(), 50);
}

TEST(FrameJobs, CancelStopsEveryJobAndTheRunStillReturns) {
  Session s;
  test::TestHost host;
  s.SetHost(&host);
  const int n = 400;
  s.Frames.ResizeEntries(n);
  s.Progress.Start(ProgressKind::Align, n);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    s.CancelRequested = true;
  });
  RunFrameJobs(n, 4, [&](WorkerPool& pool, JobRange r, int index, int interval) {
    pool.Add<MarkJob>(s, r, index, interval).sleepMs = 2;
  });
  canceller.join();
  int done = 0;
  for (const auto& e : s.Frames.Entries) done += e.Quality > 0;
  EXPECT_LT(done, n);
  EXPECT_EQ(done, s.Progress.Done());  // the counters tell what was really done
}

TEST(FrameJobs, AFailingJobEndsTheRunWithItsMessage) {
  Session s;
  const int n = 40;
  s.Frames.ResizeEntries(n);
  try {
    RunFrameJobs(n, 4, [&](WorkerPool& pool, JobRange r, int index, int interval) {
      pool.Add<MarkJob>(s, r, index, interval).failAt = 25;
    });
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Frame 25 could not be read");
  }
  EXPECT_EQ(s.Frames.Entries[39].Quality, 40.0f);  // the other jobs finished their frames
}

}  // namespace lumivane
