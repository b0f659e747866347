#include "session/worker_pool.hpp"

#include <algorithm>
#include <chrono>
#include <exception>

#include "platform/error.hpp"
#include "session/limits.hpp"

namespace lumivane {

namespace {
const char* const kSuspendedText = "The thread pool is currently suspended, you need to resume it first.";
const char* const kBusyText = "The thread pool is currently busy, you need to wait until you can reset the jobs.";
}  // namespace

// --- ThreadJob ---------------------------------------------------------------------------

void ThreadJob::SetStarted(bool started) {
  Started = started;
  if (started) StartTime = WorkerPool::Now();
}

void ThreadJob::SetFinished(bool finished) {
  Finished = finished;
  if (finished) FinishTime = WorkerPool::Now();
}

void ThreadJob::Synchronize(const std::function<void()>& fn) {
  if (Pool) Pool->Synchronize(fn);
  else fn();
}

// --- WorkerPool --------------------------------------------------------------------------

std::uint32_t WorkerPool::Now() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

WorkerPool::WorkerPool(int threads) { StartThreads(std::max(1, threads)); }

WorkerPool::~WorkerPool() {
  StopThreads();
  jobs_.clear();
}

void WorkerPool::StartThreads(int n) {
  for (int i = 0; i < n; ++i) threads_.emplace_back([this] { WorkerLoop(); });
}

void WorkerPool::StopThreads() {
  {
    std::lock_guard lock(mutex_);
    terminate_ = true;
  }
  jobsAvailableCv_.notify_all();
  for (auto& t : threads_)
    if (t.joinable()) t.join();
  threads_.clear();
  std::lock_guard lock(mutex_);
  terminate_ = false;
}

void WorkerPool::AddJob(std::unique_ptr<ThreadJob> job) {
  std::lock_guard lock(mutex_);
  job->Pool = this;
  job->Priority = 1;
  jobs_.push_back(std::move(job));
}

ThreadJob* WorkerPool::NextJob() {
  if (remaining_ < 1 || suspendCount_ > 0) return nullptr;
  ThreadJob* chosen = nullptr;
  for (auto& j : jobs_) {
    if (j->Started) continue;
    if (SelectionPolicy == 1) {
      if (!chosen || j->Priority > chosen->Priority) chosen = j.get();
    } else if (SelectionPolicy == 2) {
      bool ready = std::all_of(j->Dependencies.begin(), j->Dependencies.end(),
                               [](const ThreadJob* d) { return d->Finished; });
      if (ready) { chosen = j.get(); break; }
    } else {
      chosen = j.get();
      break;
    }
  }
  if (chosen) {
    chosen->SetStarted(true);
    --remaining_;
  }
  return chosen;
}

void WorkerPool::WorkerLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    jobsAvailableCv_.wait(lock, [this] { return terminate_ || (jobsAvailable_ && suspendCount_ == 0); });
    if (terminate_) return;
    ThreadJob* job = NextJob();
    if (!job) {
      jobsAvailable_ = false;
      continue;
    }
    lock.unlock();
    std::string error;
    try {
      if (SynchronizeJobs) Synchronize([job] { job->Execute(); });
      else job->Execute();
    } catch (const std::exception& e) {
      error = e.what();
      if (error.empty()) error = "A worker job failed";
    } catch (...) {
      error = "A worker job failed";
    }
    job->SetFinished(true);
    if (OnJobFinished) {
      if (SynchronizeEvents) Synchronize([this, job] { OnJobFinished(*job); });
      else OnJobFinished(*job);
    }
    lock.lock();
    if (!error.empty()) errors_.push_back(error);
    lastFinished_ = job;
    ++finished_;
    if (JobFreeMode == 1) {
      auto it = std::find_if(jobs_.begin(), jobs_.end(), [job](const auto& p) { return p.get() == job; });
      if (it != jobs_.end()) jobs_.erase(it);
      lastFinished_ = nullptr;
    }
    if (SelectionPolicy == 2) {
      jobsAvailable_ = true;
      jobsAvailableCv_.notify_all();
    }
    if (finished_ >= total_) {
      if (JobFreeMode == 0) {
        lastFinished_ = nullptr;
        jobs_.clear();
      }
      complete_ = true;
      waiterCv_.notify_all();
    }
  }
}

void WorkerPool::Run(bool wait) {
  std::unique_lock lock(mutex_);
  if (suspendCount_ > 0) throw Error(kSuspendedText);
  errors_.clear();
  total_ = remaining_ = static_cast<int>(jobs_.size());
  finished_ = 0;
  complete_ = total_ == 0;
  if (total_ > 0) {
    jobsAvailable_ = true;
    jobsAvailableCv_.notify_all();
  }
  if (wait) ServeUntilComplete(lock);
}

void WorkerPool::Wait() {
  std::unique_lock lock(mutex_);
  ServeUntilComplete(lock);
}

void WorkerPool::ServeUntilComplete(std::unique_lock<std::mutex>& lock) {
  waiting_ = true;
  while (!complete_ || !handOvers_.empty()) {
    if (!handOvers_.empty()) {
      HandOver* h = handOvers_.front();
      handOvers_.pop_front();
      lock.unlock();
      h->fn();  // the job that handed it over catches nothing here: fn must not throw
      lock.lock();
      h->done = true;
      handOverCv_.notify_all();
    } else {
      waiterCv_.wait(lock);
    }
  }
  waiting_ = false;
}

void WorkerPool::Synchronize(const std::function<void()>& fn) {
  std::unique_lock lock(mutex_);
  if (!waiting_ || std::this_thread::get_id() == std::thread::id()) {
    lock.unlock();
    fn();
    return;
  }
  std::exception_ptr failure;
  HandOver h;
  h.fn = [&fn, &failure] {
    try {
      fn();
    } catch (...) {
      failure = std::current_exception();
    }
  };
  handOvers_.push_back(&h);
  waiterCv_.notify_all();
  handOverCv_.wait(lock, [&h] { return h.done; });
  lock.unlock();
  if (failure) std::rethrow_exception(failure);
}

void WorkerPool::ResetJobs() {
  std::lock_guard lock(mutex_);
  if (finished_ != total_) throw Error(kBusyText);
  for (auto& j : jobs_) {
    j->SetFinished(false);
    j->SetStarted(false);
    j->StartTime = j->FinishTime = 0;
  }
}

void WorkerPool::ClearJobs() {
  std::lock_guard lock(mutex_);
  if (JobFreeMode == 0) {
    lastFinished_ = nullptr;
    jobs_.clear();
  }
  remaining_ = total_ = static_cast<int>(jobs_.size());
  finished_ = 0;
}

bool WorkerPool::IsBusy() const {
  std::lock_guard lock(mutex_);
  return finished_ != total_;
}

bool WorkerPool::IsSuspended() const {
  std::lock_guard lock(mutex_);
  return suspendCount_ != 0;
}

void WorkerPool::Suspend() {
  std::lock_guard lock(mutex_);
  ++suspendCount_;
}

void WorkerPool::Resume() {
  {
    std::lock_guard lock(mutex_);
    if (suspendCount_ > 0) --suspendCount_;
  }
  jobsAvailableCv_.notify_all();
}

int WorkerPool::ThreadCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(threads_.size());
}

void WorkerPool::SetThreadCount(int n) {
  if (n <= 0 || n == ThreadCount()) return;
  if (IsBusy()) throw Error(kBusyText);
  StopThreads();
  StartThreads(n);
}

int WorkerPool::FinishedCount() const { std::lock_guard lock(mutex_); return finished_; }
int WorkerPool::RemainingCount() const { std::lock_guard lock(mutex_); return remaining_; }
int WorkerPool::TotalCount() const { std::lock_guard lock(mutex_); return total_; }
size_t WorkerPool::JobCount() const { std::lock_guard lock(mutex_); return jobs_.size(); }
ThreadJob& WorkerPool::Job(size_t i) { std::lock_guard lock(mutex_); return *jobs_.at(i); }
ThreadJob* WorkerPool::LastFinishedJob() const { std::lock_guard lock(mutex_); return lastFinished_; }
std::vector<std::string> WorkerPool::Errors() const { std::lock_guard lock(mutex_); return errors_; }

// --- Split ------------------------------------------------------------------------------

int ClampCores(int cores) { return std::clamp(cores, 1, kMaxCores); }

std::vector<JobRange> SplitFrames(int count, int jobs) {
  jobs = std::max(1, jobs);
  const int chunk = count / jobs;
  std::vector<JobRange> out(static_cast<size_t>(jobs));
  for (int i = 0; i < jobs; ++i) {
    out[static_cast<size_t>(i)].First = i * chunk;
    out[static_cast<size_t>(i)].Last = (i == jobs - 1) ? count - 1 : (i + 1) * chunk - 1;
  }
  return out;
}

std::vector<JobRange> SplitRows(int count, int jobs) {
  jobs = std::max(1, jobs);
  const int chunk = (count - 1) / jobs;
  std::vector<JobRange> out(static_cast<size_t>(jobs));
  for (int i = 0; i < jobs; ++i) {
    JobRange& r = out[static_cast<size_t>(i)];
    r.First = std::max(0, i * chunk);
    r.Last = (i == jobs - 1) ? count - 1 : std::min(count - 1, (i + 1) * chunk - 1);
  }
  return out;
}

int ProgressIntervalFor(int chunk) { return std::clamp(chunk / 50, 1, 50); }

}  // namespace lumivane
