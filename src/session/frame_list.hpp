// The frames of the open recording and the per-frame results other stages write.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "session/limits.hpp"

namespace lumivane {

// One file of a multi-file video set; global frame ranges are contiguous.
struct AviFileEntry {
  std::string FileName;
  double FileDate = 0.0;  // file time stamp, days as a 64-bit float
  std::int32_t FrameCount = 0;
  std::int32_t FirstFrame = 0;  // first global frame index
  std::int32_t LastFrame = 0;   // last global frame index
};

// Colour-channel tag of a frame.
enum ChannelTag : std::uint8_t { kTagRed = 0, kTagGreen = 1, kTagBlue = 2, kTagLuminance = 3, kTagNone = 255 };

// One record per frame. Alignment and quality estimation fill the fields after Excluded.
struct FrameEntry {
  std::uint8_t Excluded = 0;  // 1: not used by alignment, quality estimation and stacking
  float MeanBrightness = 0.0f;
  float IntensityOffset = 0.0f;
  float Quality = 0.0f;
  float Distortion = 0.0f;
  float DistortionScore = 0.0f;
  float RotationAngle = 0.0f;  // degrees relative to frame 0
};

// One record of the frames sorted by descending quality.
struct QualityRecord {
  std::int32_t Frame = 0;
  float Quality = 0.0f;
  std::uint8_t Flag = 0;
};

struct FrameList {
  int FrameCount = 0;
  std::vector<FrameEntry> Entries;              // at least FrameCount long
  std::vector<std::string> FrameFileNames;      // kFileNameSlots entries
  std::vector<std::uint8_t> FrameChannelTag;    // kChannelTagSlots entries, kTagNone when untagged
  std::vector<AviFileEntry> AviFiles;           // kMaxVideoFiles entries
  int LastAviFile = 0;                          // number of video files minus one
  std::int32_t CurrentFileOffset = 0;           // first global index of the open video file
  std::vector<QualityRecord> QualityOrder;      // one row per entry

  FrameList()
      : FrameFileNames(kFileNameSlots), FrameChannelTag(kChannelTagSlots, kTagNone), AviFiles(kMaxVideoFiles) {}

  // Empties the list as opening a recording does: no frames, no names, untagged, no files.
  void Reset() {
    FrameCount = 0;
    Entries.clear();
    for (auto& n : FrameFileNames) n.clear();
    std::fill(FrameChannelTag.begin(), FrameChannelTag.end(), kTagNone);
    for (auto& f : AviFiles) f = AviFileEntry{};
    LastAviFile = 0;
    CurrentFileOffset = 0;
    QualityOrder.clear();
  }

  // Makes `rows` entries and quality rows, all cleared.
  void ResizeEntries(int rows) {
    Entries.assign(static_cast<size_t>(rows < 0 ? 0 : rows), FrameEntry{});
    QualityOrder.assign(Entries.size(), QualityRecord{});
  }

  bool AnyChannelTagged() const {
    for (auto t : FrameChannelTag)
      if (t != kTagNone) return true;
    return false;
  }
};

}  // namespace lumivane
