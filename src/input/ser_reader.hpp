// SER recordings: a 178-byte header of little-endian 32-bit fields, then the frames back to
// back, each H rows of W samples, top row first, one byte a sample at 8 bits and a 16-bit
// word otherwise. A time-stamp trailer may follow; it is not read, nor are the observer,
// instrument, telescope and date texts.
//
// Files are treated as hostile: the header is checked against the file before anything is
// allocated or read. Refused: a width or height below 1, rows wider than the row limit of the
// readers (kReaderRowSamples), frames taller than kMaxFrameDim, depths outside 8..16 and the
// three-samples-per-pixel colour layouts (ColorID 100 RGB, 101 BGR). The frame count is cut
// to the first kSerMaxFrames frames and to the frames the file really holds; the header
// records both cuts so that the caller can warn (ShowSerOpenWarnings).
//
// A SerFile holds one file descriptor and reads with pread at 64-bit offsets, so every
// reader has its own position and needs no lock: the main thread and each worker slot use
// their own SerFile (SerReaders).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "session/image.hpp"
#include "session/limits.hpp"
#include "session/plane.hpp"

namespace lumivane {
class Controls;
class Session;
}  // namespace lumivane

namespace lumivane::input {

inline constexpr int kSerHeaderBytes = 178;
inline constexpr int kSerMaxFrames = kMaxFrameIndex;  // frames opened at most
inline constexpr int kSerColourRgb = 100;             // refused: three samples a pixel
inline constexpr int kSerColourBgr = 101;

// Message titles and texts of the opening warnings.
inline constexpr const char* kSerTooManyFramesTitle = "Too many frames";
inline constexpr const char* kSerShortFileTitle = "File warning";

struct SerHeader {
  std::string FileId;              // up to 14 characters, as stored up to a zero byte (not checked)
  std::int32_t LuId = 0;
  std::int32_t ColorId = 0;        // < 8 mono, 8 RGGB, 9 GRBG, 10 GBRG, 11 BGGR
  std::int32_t LittleEndian = 0;   // 1: the two bytes of every 16-bit sample are swapped
  int Width = 0, Height = 0;
  int PixelDepth = 0;              // 8..16 bits a sample
  std::int32_t AnnouncedFrames = 0;  // the header's frame count
  std::uint64_t FramesInFile = 0;    // whole frames between the header and the end of the file
  int FrameCount = 0;                // frames opened: announced, at most kSerMaxFrames and FramesInFile
  std::uint64_t FileBytes = 0;

  int BytesPerSample() const { return PixelDepth == 8 ? 1 : 2; }
  bool SwapBytes() const { return LittleEndian == 1; }
  std::uint64_t RowBytes() const { return static_cast<std::uint64_t>(Width) * BytesPerSample(); }
  std::uint64_t FrameBytes() const { return RowBytes() * static_cast<std::uint64_t>(Height); }
  std::uint64_t FrameOffset(int n) const { return kSerHeaderBytes + static_cast<std::uint64_t>(n) * FrameBytes(); }
  // The file ends before the announced frames do.
  bool CutToFileSize() const { return FramesInFile < static_cast<std::uint64_t>(AnnouncedFrames); }
  // More frames than the program processes were there to open.
  bool CutToFrameLimit() const {
    return AnnouncedFrames > kSerMaxFrames && FramesInFile > static_cast<std::uint64_t>(kSerMaxFrames);
  }
};

// Reads and checks the header of a SER file against its size. Throws Error naming the file.
SerHeader ParseSerHeader(const std::string& path);

// Smallest and largest sample of a frame read.
struct SerFrameStats {
  int Min = 0, Max = 0;
};

// The range the 8-bit view spreads over 0..255: the smallest power of two at least `max`
// (1 for max <= 1), or 2^depth for the full-depth view.
int SerViewRange(int max, int depth, bool fullDepth);
// The grey view of a frame: g = round(v * 255 / (range + 1)), 255 above 254, 0 below 1.
// `view` is reallocated only when its size differs from the plane's.
void SerViewBitmap(const FloatPlane& raw, int range, Bitmap24& view);

class SerFile {
 public:
  SerFile() = default;
  ~SerFile();
  SerFile(SerFile&& other) noexcept;
  SerFile& operator=(SerFile&& other) noexcept;
  SerFile(const SerFile&) = delete;
  SerFile& operator=(const SerFile&) = delete;

  // Opens and checks the file; on success any file held before is closed, on failure
  // (Error naming the file) the object keeps what it held.
  void Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  const SerHeader& Header() const { return header_; }

  // Frame n (0 .. FrameCount - 1) into `raw`, W x H samples shifted to the pixel depth;
  // the plane is reallocated only when its size differs. Throws Error naming the file when
  // n is out of range, nothing is open or the file ends early.
  SerFrameStats ReadFrame(int n, FloatPlane& raw);
  // The same and the 8-bit view of it; `fullDepthView` spreads 0..2^depth instead of the
  // frame's own range (keeping the SER depth while stacking).
  SerFrameStats ReadFrame(int n, FloatPlane& raw, Bitmap24& view, bool fullDepthView);

 private:
  int fd_ = -1;
  std::string path_;
  SerHeader header_;
  std::vector<std::uint8_t> buffer_;  // whole rows, read with one call
  std::vector<std::uint8_t> greys_;   // grey level of every sample value, for the view
};

// The SER readers of a recording: the main thread's and one for each worker slot.
struct SerReaders {
  SerFile Main;
  std::array<SerFile, kWorkerSlots> Slots;
};

// Registers `KeepSerBits` ("Keep SER-bitdepth") and, when nobody has yet, the Bayer pattern
// group `debayergroup`.
void RegisterSerControls(Controls& c);

// The colour set-up a SER header asks for: debayering and the Bayer pattern by ColorID.
void ApplySerColour(Session& s, const SerHeader& h);

// Opens a SER recording on the main reader: colour set-up, FrameW x FrameH, the working
// image and the main RawPlane, frame 0 read and shown. Slot readers are closed (the next
// connection or slot read opens them again). A missing file does nothing; a file that
// cannot be used throws Error and leaves the session as it was. Warnings about the frame
// count are left to the caller (ShowSerOpenWarnings).
void ReadSerHeader(Session& s, SerReaders& r, const std::string& path);

// The warnings of an opening whose frame count was cut: "File warning" when the file holds
// fewer frames than its header announces, "Too many frames" beyond kSerMaxFrames.
// Each warning is a title and a text; none when nothing was cut.
std::vector<std::pair<std::string, std::string>> SerOpenWarnings(const SerFile& f);
void ShowSerOpenWarnings(Session& s, const SerFile& f);

// Main thread: frame n into the working image and the main RawPlane. Nothing happens when
// no SER file is open or n is outside 0 .. FrameCount - 1.
void ReadSerFrame(Session& s, SerReaders& r, int n);

// The driver, before the workers start: opens `path` for `slot`, sizes the slot's RawPlane
// and reads frame 0 into it; for slot 0 also the colour set-up and FrameW x FrameH.
void ConnectSerSlot(Session& s, SerReaders& r, int slot, const std::string& path);

// A worker: frame n into the RawPlane and SlotImage of `slot`, touching nothing else of the
// session. A slot not yet connected opens the main reader's file itself. The view spreads
// 0..2^depth while stacking with `KeepSerBits` ticked. Nothing happens when no SER file is
// open or n is out of range.
void ReadSerFrameToSlot(Session& s, SerReaders& r, int slot, int n);

}  // namespace lumivane::input
