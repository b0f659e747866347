// The worker pool that runs the long computations (alignment, per-pixel geometry,
// stacking) as a few coarse jobs over contiguous ranges.
//
// A pool starts its worker threads once. Jobs are added, then Run(true) hands them out
// and returns only when every job's Execute has returned; meanwhile the waiting thread
// serves the work that jobs hand to it with Synchronize (progress reports, previews).
// A job that throws still counts as finished; its message is kept in Errors().
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumivane {

class WorkerPool;

class ThreadJob {
 public:
  ThreadJob() = default;
  virtual ~ThreadJob() = default;
  ThreadJob(const ThreadJob&) = delete;
  ThreadJob& operator=(const ThreadJob&) = delete;

  virtual void Execute() = 0;

  std::uint32_t Duration() const { return FinishTime - StartTime; }
  void SetStarted(bool started);
  void SetFinished(bool finished);
  // Runs fn on the thread that waits in Run and returns when it has run; without a
  // waiting thread fn runs here.
  void Synchronize(const std::function<void()>& fn);

  bool Finished = false;
  std::uint32_t FinishTime = 0;  // ms of the pool's clock
  int Priority = 0;              // 1 for jobs added to a pool
  std::vector<ThreadJob*> Dependencies;  // must have finished first (selection policy 2)
  std::uint32_t StartTime = 0;
  bool Started = false;
  WorkerPool* Pool = nullptr;
};

class WorkerPool {
 public:
  // Starts `threads` workers (clamped to at least 1).
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Adds a job the pool owns from now on.
  template <class T, class... Args>
  T& Add(Args&&... args) {
    auto job = std::make_unique<T>(std::forward<Args>(args)...);
    T& ref = *job;
    AddJob(std::move(job));
    return ref;
  }
  void AddJob(std::unique_ptr<ThreadJob> job);

  // Hands out all jobs. With wait, returns when all have finished (see above).
  // Throws Error when the pool is suspended.
  void Run(bool wait = true);
  // Waits for a run started without waiting, serving hand-overs meanwhile.
  void Wait();
  // Makes the same jobs runnable again. Throws Error while a run is busy.
  void ResetJobs();
  // With JobFreeMode 0 frees all jobs; resets the counts.
  void ClearJobs();

  bool IsBusy() const;
  bool IsSuspended() const;
  void Suspend();
  void Resume();
  int ThreadCount() const;
  void SetThreadCount(int n);

  int FinishedCount() const;
  int RemainingCount() const;
  int TotalCount() const;
  size_t JobCount() const;
  ThreadJob& Job(size_t i);
  ThreadJob* LastFinishedJob() const;
  // Messages of the jobs that threw in the last run, in the order they ended.
  std::vector<std::string> Errors() const;

  // 0: jobs are freed when a run completes; 1: each job when it finishes; other: kept.
  std::uint8_t JobFreeMode = 0;
  // 0: first job not started; 1: highest Priority; 2: first whose Dependencies are done.
  std::uint8_t SelectionPolicy = 0;
  // Called after every finished job; on the waiting thread when SynchronizeEvents.
  std::function<void(ThreadJob&)> OnJobFinished;
  bool SynchronizeEvents = true;
  // Each job's Execute runs on the waiting thread (for work that must not leave it).
  bool SynchronizeJobs = false;

  // Used by ThreadJob::Synchronize.
  void Synchronize(const std::function<void()>& fn);
  // Milliseconds of the pool's monotonic clock.
  static std::uint32_t Now();

 private:
  struct HandOver {
    std::function<void()> fn;
    bool done = false;
  };
  void WorkerLoop();
  ThreadJob* NextJob();  // under the lock
  void StartThreads(int n);
  void StopThreads();
  void ServeUntilComplete(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable jobsAvailableCv_;
  std::condition_variable waiterCv_;   // run complete or a hand-over queued
  std::condition_variable handOverCv_; // a hand-over was served
  std::vector<std::unique_ptr<ThreadJob>> jobs_;
  std::vector<std::thread> threads_;
  std::deque<HandOver*> handOvers_;
  std::vector<std::string> errors_;
  ThreadJob* lastFinished_ = nullptr;
  bool jobsAvailable_ = false;
  bool terminate_ = false;
  bool waiting_ = false;
  bool complete_ = true;
  int suspendCount_ = 0;
  int finished_ = 0, remaining_ = 0, total_ = 0;
};

// --- The split every driver uses -------------------------------------------------------

struct JobRange {
  int First = 0;
  int Last = -1;  // inclusive; Last < First is an empty range
  bool Empty() const { return Last < First; }
};

// Frames 0..count-1 over `jobs` jobs: chunk = count div jobs, job i covers
// i*chunk .. (i+1)*chunk-1 and the last job ends at count-1.
std::vector<JobRange> SplitFrames(int count, int jobs);
// Rows of the geometry map: chunk = (count-1) div jobs, last clamped to count-1, first to >= 0.
std::vector<JobRange> SplitRows(int count, int jobs);
// Frames between progress reports: chunk div 50, clamped to 1..50.
int ProgressIntervalFor(int chunk);
// The Cores setting's range, 1..8.
int ClampCores(int cores);

}  // namespace lumivane
