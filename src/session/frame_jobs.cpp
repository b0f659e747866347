#include "session/frame_jobs.hpp"

#include "platform/error.hpp"
#include "platform/system_info.hpp"
#include "session/session.hpp"

namespace lumivane {

bool FrameJob::CancelRequested() const { return session_.CancelRequested.load(std::memory_order_relaxed); }

void FrameJob::FrameDone(int frame) {
  const int done = frame - FirstFrame + 1;
  session_.Progress.SetCounter(ThreadIndex, done);
  if (ThreadIndex == 0 && ProgressInterval > 0 && done % ProgressInterval == 0) {
    Synchronize([this] { ReportStageProgress(session_); });
  }
}

void ReportStageProgress(Session& s) {
  ProgressTexts t = s.Progress.Texts();
  Host& h = s.host();
  h.SetProgress(t.Position, s.Progress.Maximum());
  if (t.Title) h.SetTitle(*t.Title);
  h.SetStatusText(kStatusTime, t.Time);
  h.Refresh();
  s.Progress.WaitWhilePaused(s.CancelRequested);
}

void RunFrameJobs(int count, int jobs, const MakeFrameJob& makeJob) {
  const auto ranges = SplitFrames(count, jobs);
  const int chunk = count / static_cast<int>(ranges.size());
  const int interval = ProgressIntervalFor(chunk);
  WorkerPool pool(platform::ProcessorCount());
  pool.JobFreeMode = 0;
  for (size_t i = 0; i < ranges.size(); ++i) makeJob(pool, ranges[i], static_cast<int>(i), interval);
  pool.Run(true);
  auto errors = pool.Errors();
  if (!errors.empty()) throw Error(errors.front());
}

}  // namespace lumivane
