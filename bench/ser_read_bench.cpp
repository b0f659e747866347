// Sequential reading of a 16-bit SER (640 x 480, 1000 frames) through one slot reader into a
// RawPlane, and the same with the 8-bit view.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "input/ser_reader.hpp"

namespace {

const std::string& Ser16() {
  static const std::string path = [] {
    const int w = 640, h = 480, frames = 1000;
    const std::string p = "/tmp/lumivane_bench_ser640x480x1000_16.ser";
    std::vector<std::uint8_t> header(lumivane::input::kSerHeaderBytes, 0);
    auto put = [&](int at, std::int32_t v) {
      for (int i = 0; i < 4; ++i) header[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(26, w);
    put(30, h);
    put(34, 16);
    put(38, frames);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(w) * h * 2);
    for (int f = 0; f < frames; ++f) {
      for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 7 + f * 3);
      out.write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
    }
    return p;
  }();
  return path;
}

void BM_SerReadSequential16(benchmark::State& state) {
  lumivane::input::SerFile file;
  file.Open(Ser16());
  const int count = file.Header().FrameCount;
  lumivane::FloatPlane raw;
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(file.ReadFrame(k, raw));
    benchmark::DoNotOptimize(raw.Data());
    k = k + 1 == count ? 0 : k + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("SER 640x480 16-bit mono, 1000 frames, one slot reader -> RawPlane; frames");
}
BENCHMARK(BM_SerReadSequential16)->Unit(benchmark::kMicrosecond);

void BM_SerReadSequential16WithView(benchmark::State& state) {
  lumivane::input::SerFile file;
  file.Open(Ser16());
  const int count = file.Header().FrameCount;
  lumivane::FloatPlane raw;
  lumivane::Bitmap24 view;
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(file.ReadFrame(k, raw, view, false));
    benchmark::DoNotOptimize(view.Data());
    k = k + 1 == count ? 0 : k + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("SER 640x480 16-bit mono, 1000 frames, RawPlane + 8-bit view; frames");
}
BENCHMARK(BM_SerReadSequential16WithView)->Unit(benchmark::kMicrosecond);

}  // namespace
