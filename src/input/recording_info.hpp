// What the open recording is, and the samples of the frame read last, as the command
// line and the window report them.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "session/session.hpp"

namespace lumivane::input {

struct RecordingInfo {
  std::string Source;  // "video", "bmp", "fits", "jpeg", "tiff", "png", "ser", "raw"
  int Frames = 0;
  int Width = 0, Height = 0;
  int Bits = 8;        // bits per sample
  bool Colour = false;
  std::string Bayer;   // empty when the frames are not a Bayer mosaic
  std::string Codec;   // video only
  std::string Caption;
};
RecordingInfo DescribeRecording(const Session& s);
std::string RecordingInfoJson(const RecordingInfo& info);

struct FrameSample {
  int X = 0, Y = 0;
  std::vector<int> Raw;            // full-depth samples when the source has them, else R, G, B
  std::array<int, 3> View{};       // the 8-bit picture: B, G, R
};
// Throws Error when (x, y) lies outside the frame.
FrameSample SampleAt(Session& s, int x, int y);

// The frame read last at full depth as R G B 16-bit samples: SER and FITS samples deeper
// than 8 bits (clamped to 0..65535) in all three, the deep samples of 16-bit sources (a grey 16-bit video gives
// its one sample in all three), else the 8-bit picture scaled by 257.
Image16 FullDepthFrame(Session& s);

}  // namespace lumivane::input
