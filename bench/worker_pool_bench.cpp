// Cost of the driver pattern itself: starting a pool, splitting frames over jobs,
// progress hand-overs and cancel checks, with next to no work per frame. Later stages
// add their own benchmarks beside this one.
#include <benchmark/benchmark.h>

#include <string>

#include "session/frame_jobs.hpp"
#include "session/session.hpp"

namespace {

using namespace lumivane;

class TouchJob : public FrameJob {
 public:
  using FrameJob::FrameJob;
  void Execute() override {
    for (int f = FirstFrame; f <= LastFrame; ++f) {
      if (CancelRequested()) return;
      session().Frames.Entries[static_cast<size_t>(f)].Quality += 1.0f;
      FrameDone(f);
    }
  }
};

void BM_FrameJobsRun(benchmark::State& state) {
  Session s;
  const int frames = static_cast<int>(state.range(0));
  const int jobs = static_cast<int>(state.range(1));
  s.Frames.ResizeEntries(frames);
  for (auto _ : state) {
    s.Progress.Start(ProgressKind::Align, frames);
    RunFrameJobs(frames, jobs, [&](WorkerPool& pool, JobRange r, int i, int interval) {
      pool.Add<TouchJob>(s, r, i, interval);
    });
  }
  state.SetItemsProcessed(state.iterations() * frames);
  state.SetLabel(std::to_string(frames) + " trivial frames, " + std::to_string(jobs) + " jobs; frames");
}
BENCHMARK(BM_FrameJobsRun)->Args({1000, 1})->Args({1000, 2})->Args({10000, 8})->Unit(benchmark::kMicrosecond);

void BM_ControlRead(benchmark::State& state) {
  Session s;
  for (auto _ : state) benchmark::DoNotOptimize(s.Controls.Int("Cores"));
}
BENCHMARK(BM_ControlRead);

void BM_SetupImageDataSection(benchmark::State& state) {
  Session s;
  const int side = static_cast<int>(state.range(0));
  for (auto _ : state) s.SetupImageDataSection(side, side);
  state.SetBytesProcessed(state.iterations() * 9LL * (side + 10) * (side + 10) * 4);
  state.SetLabel("image data section " + std::to_string(side) + "x" + std::to_string(side));
}
BENCHMARK(BM_SetupImageDataSection)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace
