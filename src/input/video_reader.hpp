// Reading video files (AVI, including OpenDML files over 4 GB, MPG/MPEG) through FFmpeg.
// Uncompressed AVI streams are taken as stored sample bytes and interpreted as device-
// independent bitmaps ("Y800" and "K3CC" raw; 8-bit with colour table; 16, 24, 32, 48 bits;
// packed 12-bit); compressed streams are decoded and converted to B G R. 36-bit raw
// streams are refused.
//
// Stored samples are read straight from the positions in the AVI index (in either mode), so
// reading is one seek and one read a frame. Compressed streams keep their decoder between
// reads: the next frame is read on, any other frame is reached by a seek to the key frame at
// or before it and decoding forward. MPEG program streams are counted by one pass over their
// packets when opened and are only read forward (a frame before the current one restarts
// from the beginning of the file), because their time stamps cannot be trusted after a seek.
//
// Each reader is used by one thread: the main thread and every worker slot have their own.
#pragma once
#include <memory>
#include <string>

#include "session/image.hpp"

namespace lumivane::input {

// The two reading modes (the `Avi_processing_mode` item index).
enum class VideoMode {
  // Reads through the stream; a frame other than the next one is found by the demuxer's
  // own seek. The frame count is the AVI header's.
  Stream = 0,
  // Builds a frame index once (key frames and their stamps, from the AVI index or one pass
  // over the packets); seeks to the key frame before a frame and decodes forward, or simply
  // decodes forward when that key frame is already behind the current position. The frame
  // count is what the index holds.
  Indexed = 1,
};

struct VideoStreamInfo {
  std::string CodecText;     // the stream type and the codec's four characters, e.g. "vidsY800"
  std::string Fourcc;        // the codec's four characters
  bool RawCodec = false;     // "K3CC" or "Y800": stored samples, no decoder
  bool TopDownGrey = false;  // "Y800": rows stored top to bottom
  int Width = 0, Height = 0;
  int BitCount = 0;          // bits per pixel of the stored samples (0 when decoded)
  int FrameCount = 0;        // frames of the stream, counted from its start sample
  int LastFrame = 0;         // last addressable local frame (at most 49999)
  bool HiVideo = false;      // 12 (unpacked to 16), 16 or 48 bits per pixel
};

class VideoReader {
 public:
  VideoReader();
  ~VideoReader();
  VideoReader(const VideoReader&) = delete;
  VideoReader& operator=(const VideoReader&) = delete;

  // Opens the file. Throws Error with the reader's messages ("Failed to open AVI file: "
  // + code name + " ERROR", "Failed to open AVI stream", ...).
  void Open(const std::string& path, VideoMode mode);
  void Close();
  bool IsOpen() const;
  const std::string& Path() const;
  const VideoStreamInfo& Info() const;

  // Reads local frame k into `picture` (B G R, top to bottom). For 12-, 16- and 48-bit
  // streams `deep` (when given) becomes the (width + 1) x (height + 1) full-depth frame, its
  // rows in the picture's order. The images are only reallocated when their size changes.
  // Throws " Frame number wrong. " beyond the last frame, "Failed to read AVI frame" or
  // "Failed to decompress AVI frame" when the frame cannot be had (never waits forever).
  void ReadFrame(int k, Bitmap24& picture, Image16* deep);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lumivane::input
