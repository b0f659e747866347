#include "session/worker_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/error.hpp"

namespace lumivane {

namespace {
std::vector<std::pair<int, int>> Pairs(const std::vector<JobRange>& r) {
  std::vector<std::pair<int, int>> out;
  for (const auto& x : r) out.emplace_back(x.First, x.Last);
  return out;
}

class CountingJob : public ThreadJob {
 public:
  CountingJob(std::atomic<int>& counter, int sleepMs = 0) : counter_(counter), sleepMs_(sleepMs) {}
  void Execute() override {
    if (sleepMs_) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs_));
    ++counter_;
  }

 private:
  std::atomic<int>& counter_;
  int sleepMs_;
};

class ThrowingJob : public ThreadJob {
 public:
  void Execute() override { throw Error("frame 7 could not be read"); }
};
}  // namespace

TEST(WorkSplit, FramesAndRows) {
  using P = std::vector<std::pair<int, int>>;
  EXPECT_EQ(Pairs(SplitFrames(10, 3)), (P{{0, 2}, {3, 5}, {6, 9}}));
  EXPECT_EQ(Pairs(SplitFrames(2, 4)), (P{{0, -1}, {0, -1}, {0, -1}, {0, 1}}));  // three empty ranges
  EXPECT_EQ(Pairs(SplitFrames(7, 1)), (P{{0, 6}}));
  EXPECT_EQ(Pairs(SplitRows(10, 3)), (P{{0, 2}, {3, 5}, {6, 9}}));   // chunk (10-1) div 3 = 3
  EXPECT_EQ(Pairs(SplitRows(11, 3)), (P{{0, 2}, {3, 5}, {6, 10}}));
  EXPECT_EQ(Pairs(SplitRows(9, 4)), (P{{0, 1}, {2, 3}, {4, 5}, {6, 8}}));
  EXPECT_EQ(Pairs(SplitRows(12, 4)), (P{{0, 1}, {2, 3}, {4, 5}, {6, 11}}));  // rows: chunk 2, frames would get 3
  EXPECT_EQ(Pairs(SplitRows(1, 4)), (P{{0, -1}, {0, -1}, {0, -1}, {0, 0}}));
  EXPECT_TRUE(SplitFrames(2, 4)[0].Empty());
}

TEST(WorkSplit, ProgressIntervalAndCores) {
  for (auto [chunk, interval] : {std::pair{0, 1}, {10, 1}, {99, 1}, {100, 2}, {1000, 20}, {6250, 50}, {100000, 50}})
    EXPECT_EQ(ProgressIntervalFor(chunk), interval) << chunk;
  for (auto [in, out] : {std::pair{0, 1}, {-2, 1}, {1, 1}, {8, 8}, {16, 8}})
    EXPECT_EQ(ClampCores(in), out) << in;
}

TEST(WorkerPool, RunWithWaitReturnsAfterEveryJobWithAnyWorkerCount) {
  for (int workers : {1, 2, 5}) {
    std::atomic<int> count{0};
    WorkerPool pool(workers);
    for (int i = 0; i < 8; ++i) pool.Add<CountingJob>(count, i % 3);
    pool.Run(true);
    EXPECT_EQ(count, 8) << workers << " workers";
    EXPECT_EQ(pool.JobCount(), 0u);  // freed when the run completed
    EXPECT_FALSE(pool.IsBusy());
    // The pool takes new jobs and runs again.
    pool.Add<CountingJob>(count);
    pool.Run(true);
    EXPECT_EQ(count, 9);
  }
}

TEST(WorkerPool, AThrowingJobCountsAsFinishedAndItsErrorIsKept) {
  std::atomic<int> count{0};
  WorkerPool pool(2);
  pool.Add<CountingJob>(count, 5);
  pool.Add<ThrowingJob>();
  pool.Add<CountingJob>(count, 5);
  pool.Run(true);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(pool.Errors().size(), 1u);
  EXPECT_EQ(pool.Errors()[0], "frame 7 could not be read");
}

TEST(WorkerPool, HandOversAreServedByTheWaitingThread) {
  WorkerPool pool(3);
  const auto waiter = std::this_thread::get_id();
  std::atomic<int> onWaiter{0};
  struct Reporter : ThreadJob {
    std::function<void()> report;
    void Execute() override {
      for (int i = 0; i < 20; ++i) Synchronize(report);
    }
  };
  for (int j = 0; j < 3; ++j) {
    auto& r = pool.Add<Reporter>();
    r.report = [&] { if (std::this_thread::get_id() == waiter) ++onWaiter; };
  }
  pool.Run(true);
  EXPECT_EQ(onWaiter, 60);
}

TEST(WorkerPool, ResetJobsOnlyWhenIdleAndSuspendedPoolsRefuseToRun) {
  std::atomic<int> count{0};
  std::atomic<bool> release{false};
  struct Gate : ThreadJob {
    std::atomic<bool>* release;
    void Execute() override { while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
  };
  WorkerPool pool(2);
  pool.JobFreeMode = 2;  // keep the jobs
  pool.Add<Gate>().release = &release;
  pool.Add<CountingJob>(count);
  pool.Run(false);
  try {
    pool.ResetJobs();
    ADD_FAILURE() << "ResetJobs during a run";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The thread pool is currently busy, you need to wait until you can reset the jobs.");
  }
  release = true;
  pool.Wait();
  EXPECT_TRUE(pool.Job(0).Finished);
  EXPECT_EQ(pool.LastFinishedJob() != nullptr, true);
  pool.ResetJobs();
  EXPECT_FALSE(pool.Job(0).Finished);
  EXPECT_FALSE(pool.Job(1).Started);
  pool.Run(true);
  EXPECT_EQ(count, 2);

  pool.Suspend();
  EXPECT_TRUE(pool.IsSuspended());
  try {
    pool.Run(true);
    ADD_FAILURE() << "Run while suspended";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The thread pool is currently suspended, you need to resume it first.");
  }
  pool.Resume();
  pool.ResetJobs();
  pool.Run(true);
  EXPECT_EQ(count, 3);
}

TEST(WorkerPool, SelectionPoliciesAndEvents) {
  std::vector<int> order;
  std::mutex m;
  struct Named : ThreadJob {
    int id;
    std::vector<int>* order;
    std::mutex* m;
    void Execute() override { std::lock_guard l(*m); order->push_back(id); }
  };
  WorkerPool pool(1);  // one worker: the order shows the policy
  pool.JobFreeMode = 2;
  pool.SelectionPolicy = 2;
  auto& a = pool.Add<Named>();
  auto& b = pool.Add<Named>();
  auto& c = pool.Add<Named>();
  a.id = 1; b.id = 2; c.id = 3;
  for (auto* j : {&a, &b, &c}) { j->order = &order; j->m = &m; }
  a.Dependencies = {&c};
  b.Dependencies = {&a};
  int finishedEvents = 0;
  pool.OnJobFinished = [&](ThreadJob&) { ++finishedEvents; };
  pool.Run(true);
  EXPECT_EQ(order, (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(finishedEvents, 3);
  EXPECT_EQ(pool.FinishedCount(), 3);
  EXPECT_GE(a.FinishTime, a.StartTime);
}

TEST(WorkerPool, ThreadCountCanChangeBetweenRuns) {
  WorkerPool pool(2);
  EXPECT_EQ(pool.ThreadCount(), 2);
  pool.SetThreadCount(4);
  EXPECT_EQ(pool.ThreadCount(), 4);
  pool.SetThreadCount(0);  // ignored
  EXPECT_EQ(pool.ThreadCount(), 4);
  std::atomic<int> count{0};
  for (int i = 0; i < 6; ++i) pool.Add<CountingJob>(count);
  pool.Run(true);
  EXPECT_EQ(count, 6);
}

}  // namespace lumivane
