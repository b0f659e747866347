// The frame reader: any frame of the open recording into the working image (main thread)
// or into a worker slot, always as a 24-bit B G R bitmap, with the full-depth samples
// beside it (DeepFrame, the slot's deep planes).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "input/ser_reader.hpp"
#include "input/video_reader.hpp"
#include "session/session.hpp"

namespace lumivane::input {

// The reader state of one recording: one video reader for the main thread and one per
// worker slot, so that jobs decode in parallel.
struct FrameReaders : RecordingReaders {
  VideoReader Main;
  std::array<VideoReader, kWorkerSlots> Slots;
  SerReaders Ser;
};
// The readers of the recording, made on first use: call it from the driving thread only.
FrameReaders& ReadersOf(Session& s);

// What a worker read saw. Workers never write shared session state; the driver merges
// the logs on its own thread (MergeSlotLog).
struct SlotReadLog {
  std::vector<std::pair<int, std::uint8_t>> ChannelTags;  // frame, tag
  bool ChannelTagSeen = false;
  bool DeepPng = false;
  bool Luminance = false;  // a FITS frame named *_L was read
  int Width = 0, Height = 0;
};
void MergeSlotLog(Session& s, const SlotReadLog& log);

// Frame n into the working image, then PrepareFrame unless SuppressPreprocessing.
// Afterwards FrameW and FrameH are the picture's size. Throws Error when the frame cannot
// be read.
void ReadFrame(Session& s, int n);

// Frame n into the SlotImage of `slot` (and its deep planes for 16-bit PNG and TIFF).
void ReadFrameToSlot(Session& s, int slot, int n, SlotReadLog& log);

// Local frame k of one video file into the working image.
void ReadVideoFrame(Session& s, const std::string& file, int k);

// The per-frame preparation after a main-thread read: keeps the untouched picture.
void PrepareFrame(Session& s);

// Video file and local index of global frame n (multi-file sets included).
struct VideoFrameRef {
  std::string File;
  int Local = 0;
};
VideoFrameRef LocateVideoFrame(const Session& s, int n);

}  // namespace lumivane::input
