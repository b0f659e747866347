// Sequential reading of a raw 8-bit AVI (640 x 480, 1000 frames) with one reader.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "../tests/input/avi_writer.hpp"
#include "input/video_reader.hpp"

namespace {

const std::string& RawAvi() {
  static const std::string path = [] {
    const int w = 640, h = 480, frames = 1000;
    lumivane::testavi::AviContent s;
    s.Width = w;
    s.Height = h;
    s.BitCount = 8;
    for (int i = 0; i < 256; ++i)
      s.Palette.insert(s.Palette.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    s.Frames.resize(frames);
    for (int f = 0; f < frames; ++f) {
      s.Frames[f].resize(static_cast<std::size_t>(w) * h);
      for (std::size_t i = 0; i < s.Frames[f].size(); ++i)
        s.Frames[f][i] = static_cast<std::uint8_t>(i * 7 + f * 3);
    }
    const std::string p = "/tmp/lumivane_bench_raw640x480x1000.avi";
    lumivane::testavi::WriteFile(p, lumivane::testavi::MakeAvi(s));
    return p;
  }();
  return path;
}

void BM_VideoReadSequentialRaw8(benchmark::State& state) {
  lumivane::input::VideoReader reader;
  reader.Open(RawAvi(), lumivane::input::VideoMode::Stream);
  const int last = reader.Info().LastFrame;
  lumivane::Bitmap24 picture;
  int k = 0;
  for (auto _ : state) {
    reader.ReadFrame(k, picture, nullptr);
    benchmark::DoNotOptimize(picture.Data());
    k = k == last ? 0 : k + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("AVI 640x480 8-bit raw, 1000 frames, one reader, sequential; frames");
}
BENCHMARK(BM_VideoReadSequentialRaw8)->Unit(benchmark::kMicrosecond);

}  // namespace
