// The driver pattern of the long stages: n = Cores jobs over contiguous ranges of frames
// (or rows), job i using only worker slot i; job 0 reports progress; every job checks the
// cancel request before each item.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "session/worker_pool.hpp"

namespace lumivane {

class Session;

// A job over an inclusive range of frames.
class FrameJob : public ThreadJob {
 public:
  FrameJob(Session& session, JobRange range, int threadIndex, int progressInterval)
      : FirstFrame(range.First), LastFrame(range.Last), ThreadIndex(threadIndex), ProgressInterval(progressInterval),
        session_(session) {}

  int FirstFrame;
  int LastFrame;
  int ThreadIndex;
  int ProgressInterval;

 protected:
  Session& session() { return session_; }
  // True once the user asked to cancel; a job returns at once then.
  bool CancelRequested() const;
  // Counts `frame` as done in this job's progress counter; job 0 hands a progress report
  // to the waiting thread every ProgressInterval frames.
  void FrameDone(int frame);

 private:
  Session& session_;
};

// The progress report of a stage (runs on the driving thread): bar, title percentage,
// time used and left, a chance to repaint; then waits while the user has paused.
void ReportStageProgress(Session& s);

// Runs `makeJob(pool, range, index, interval)` for each of `jobs` ranges of `count`
// frames on a pool of the machine's worker count, waits for all of them and throws
// Error with the first job's failure message if any job failed. The pool lives for
// this one run.
using MakeFrameJob = std::function<void(WorkerPool&, JobRange, int index, int interval)>;
void RunFrameJobs(int count, int jobs, const MakeFrameJob& makeJob);

}  // namespace lumivane
