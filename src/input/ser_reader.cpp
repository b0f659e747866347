#include "input/ser_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "codecs/codec_util.hpp"
#include "platform/error.hpp"
#include "session/controls.hpp"
#include "session/session.hpp"

namespace lumivane::input {

static_assert(sizeof(off_t) == 8, "SER files beyond 4 GB need a 64-bit off_t");

namespace {

using codecs::ThrowReadError;

// Rows are read in blocks of about this many bytes (at least one row), one call a block.
constexpr std::size_t kBlockBytes = std::size_t{256} << 10;

// Reads exactly `size` bytes at `offset`; false when the file ends first.
bool ReadAt(int fd, std::uint8_t* dst, std::size_t size, std::uint64_t offset, const std::string& path) {
  while (size > 0) {
    const ssize_t got = ::pread(fd, dst, size, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowReadError(path, std::string("read error: ") + std::strerror(errno));
    }
    if (got == 0) return false;
    dst += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

std::int32_t Int32At(const std::uint8_t* header, int offset) {
  return static_cast<std::int32_t>(codecs::Get32(header + offset, false));
}

// The header fields and their checks against a file of `fileBytes` bytes.
SerHeader ParseHeaderBytes(const std::uint8_t* b, std::uint64_t fileBytes, const std::string& path) {
  SerHeader h;
  h.FileBytes = fileBytes;
  const char* id = reinterpret_cast<const char*>(b);
  h.FileId.assign(id, static_cast<std::size_t>(std::find(id, id + 14, '\0') - id));
  h.LuId = Int32At(b, 14);
  h.ColorId = Int32At(b, 18);
  h.LittleEndian = Int32At(b, 22);
  const std::int32_t width = Int32At(b, 26), height = Int32At(b, 30), depth = Int32At(b, 34);
  h.AnnouncedFrames = Int32At(b, 38);

  if (h.ColorId == kSerColourRgb || h.ColorId == kSerColourBgr)
    ThrowReadError(path, std::string("SER files with three samples a pixel (") +
                             (h.ColorId == kSerColourRgb ? "RGB" : "BGR") + ") are not supported");
  if (depth < 8 || depth > 16)
    ThrowReadError(path, "unsupported SER pixel depth of " + std::to_string(depth) + " bits (8 to 16 bits are read)");
  if (width < 1 || height < 1)
    ThrowReadError(path, "the SER header gives no frame size (" + std::to_string(width) + " x " +
                             std::to_string(height) + ")");
  if (width > kReaderRowSamples)
    ThrowReadError(path, "SER frames wider than " + std::to_string(kReaderRowSamples) +
                             " pixels are not supported (width " + std::to_string(width) + ")");
  if (height > kMaxFrameDim)
    ThrowReadError(path, "SER frames taller than " + std::to_string(kMaxFrameDim) +
                             " pixels are not supported (height " + std::to_string(height) + ")");
  if (h.AnnouncedFrames < 1) ThrowReadError(path, "the SER header announces no frames");
  h.Width = width;
  h.Height = height;
  h.PixelDepth = depth;

  h.FramesInFile = (fileBytes - kSerHeaderBytes) / h.FrameBytes();
  if (h.FramesInFile == 0) ThrowReadError(path, "the file ends inside the first SER frame");
  const std::uint64_t count = std::min<std::uint64_t>({static_cast<std::uint64_t>(h.AnnouncedFrames),
                                                       static_cast<std::uint64_t>(kSerMaxFrames), h.FramesInFile});
  h.FrameCount = static_cast<int>(count);
  return h;
}

// Opens the file and checks its header. Returns the descriptor; throws naming the file.
int OpenChecked(const std::string& path, SerHeader& header) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowReadError(path, std::string("cannot open the file: ") + std::strerror(errno));
  try {
    struct stat st {};
    if (::fstat(fd, &st) != 0) ThrowReadError(path, std::string("cannot read the file size: ") + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) ThrowReadError(path, "not a regular file");
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size < kSerHeaderBytes)
      ThrowReadError(path, "the file is too short for a SER header (" + std::to_string(size) + " bytes)");
    std::uint8_t bytes[kSerHeaderBytes];
    if (!ReadAt(fd, bytes, sizeof bytes, 0, path)) ThrowReadError(path, "the SER header is truncated");
    header = ParseHeaderBytes(bytes, size, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  return fd;
}

// Rows of one block: samples into the plane rows, the range into lo/hi.
void ConvertRows8(const std::uint8_t* src, int width, int rows, FloatPlane& raw, int firstRow, int& lo, int& hi) {
  for (int r = 0; r < rows; ++r, src += width) {
    float* dst = raw.Row(firstRow + r);
    int rowLo = lo, rowHi = hi;
    for (int x = 0; x < width; ++x) {
      const int v = src[x];
      dst[x] = static_cast<float>(v);
      rowLo = std::min(rowLo, v);
      rowHi = std::max(rowHi, v);
    }
    lo = rowLo;
    hi = rowHi;
  }
}

// 16-bit words stored low byte first; `swap` takes the first byte as the high one.
void ConvertRows16(const std::uint8_t* src, int width, int rows, bool swap, int shift, FloatPlane& raw,
                   int firstRow, int& lo, int& hi) {
  const int low = swap ? 1 : 0, high = 1 - low;
  for (int r = 0; r < rows; ++r, src += 2 * static_cast<std::size_t>(width)) {
    float* dst = raw.Row(firstRow + r);
    int rowLo = lo, rowHi = hi;
    for (int x = 0; x < width; ++x) {
      const int v = (src[2 * x + low] | src[2 * x + high] << 8) >> shift;
      dst[x] = static_cast<float>(v);
      rowLo = std::min(rowLo, v);
      rowHi = std::max(rowHi, v);
    }
    lo = rowLo;
    hi = rowHi;
  }
}

bool SlotInRange(int slot) { return slot >= 0 && slot < kWorkerSlots; }

}  // namespace

SerHeader ParseSerHeader(const std::string& path) {
  SerHeader h;
  ::close(OpenChecked(path, h));
  return h;
}

int SerViewRange(int max, int depth, bool fullDepth) {
  if (fullDepth) return 1 << std::clamp(depth, 0, 30);
  int range = 1;
  while (range < max && range < (1 << 30)) range <<= 1;
  return range;
}

namespace {

// The grey level of one sample. The samples are whole numbers and range + 1 is odd above 1,
// so v * 255 / (range + 1) never lies halfway between two integers except 127.5 (range 1),
// which both rounding rules take to 128: adding a half and cutting rounds as the program's
// rule does.
std::uint8_t Grey(double v, double scale) {
  const double t = v * scale;
  if (!(t >= 0.5)) return 0;  // also NaN
  const int g = static_cast<int>(std::min(t + 0.5, 256.0));
  return static_cast<std::uint8_t>(g > 254 ? 255 : g);
}

double Scale(int range) { return 255.0 / (static_cast<double>(range) + 1.0); }

}  // namespace

void SerViewBitmap(const FloatPlane& raw, int range, Bitmap24& view) {
  const int w = raw.Width(), h = raw.Height();
  if (view.Width() != w || view.Height() != h) view.Allocate(w, h);
  const double scale = Scale(range);
  for (int y = 0; y < h; ++y) {
    const float* src = raw.Row(y);
    std::uint8_t* dst = view.Row(y);
    for (int x = 0; x < w; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = Grey(src[x], scale);
  }
}

SerFile::~SerFile() { Close(); }

SerFile::SerFile(SerFile&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      header_(std::move(other.header_)),
      buffer_(std::move(other.buffer_)),
      greys_(std::move(other.greys_)) {
  other.fd_ = -1;
}

SerFile& SerFile::operator=(SerFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    header_ = std::move(other.header_);
    buffer_ = std::move(other.buffer_);
    greys_ = std::move(other.greys_);
    other.fd_ = -1;
  }
  return *this;
}

void SerFile::Open(const std::string& path) {
  SerHeader header;
  const int fd = OpenChecked(path, header);
  const std::size_t rowBytes = static_cast<std::size_t>(header.RowBytes());
  const std::size_t rows = std::clamp<std::size_t>(kBlockBytes / rowBytes, 1, static_cast<std::size_t>(header.Height));
  Close();
  fd_ = fd;
  path_ = path;
  header_ = std::move(header);
  buffer_.assign(rows * rowBytes, 0);
}

void SerFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  header_ = SerHeader{};
  buffer_.clear();
}

SerFrameStats SerFile::ReadFrame(int n, FloatPlane& raw) {
  if (!IsOpen()) throw Error("No SER file is open");
  const SerHeader& h = header_;
  if (n < 0 || n >= h.FrameCount)
    ThrowReadError(path_, "SER frame " + std::to_string(n) + " does not exist (frames 0 to " +
                              std::to_string(h.FrameCount - 1) + ")");
  if (raw.Width() != h.Width || raw.Height() != h.Height) raw.Allocate(h.Width, h.Height);

  const std::size_t rowBytes = static_cast<std::size_t>(h.RowBytes());
  const int blockRows = static_cast<int>(buffer_.size() / rowBytes);
  const std::uint64_t start = h.FrameOffset(n);
  const bool swap = h.SwapBytes();
  const int shift = 16 - h.PixelDepth;
  int lo = INT_MAX, hi = INT_MIN;
  for (int y = 0; y < h.Height; y += blockRows) {
    const int rows = std::min(blockRows, h.Height - y);
    if (!ReadAt(fd_, buffer_.data(), static_cast<std::size_t>(rows) * rowBytes,
                start + static_cast<std::uint64_t>(y) * rowBytes, path_))
      ThrowReadError(path_, "the file ends inside SER frame " + std::to_string(n));
    if (h.PixelDepth == 8)
      ConvertRows8(buffer_.data(), h.Width, rows, raw, y, lo, hi);
    else
      ConvertRows16(buffer_.data(), h.Width, rows, swap, shift, raw, y, lo, hi);
  }
  return {lo, hi};
}

SerFrameStats SerFile::ReadFrame(int n, FloatPlane& raw, Bitmap24& view, bool fullDepthView) {
  const SerFrameStats stats = ReadFrame(n, raw);
  // The samples just read are whole numbers in 0 .. 65535: one grey level each from a table.
  const double scale = Scale(SerViewRange(stats.Max, header_.PixelDepth, fullDepthView));
  const int top = std::max(stats.Max, 0);
  if (greys_.size() < static_cast<std::size_t>(top) + 1) greys_.resize(std::size_t{1} << 16);
  for (int v = 0; v <= top; ++v) greys_[static_cast<std::size_t>(v)] = Grey(v, scale);
  const int w = raw.Width(), h = raw.Height();
  if (view.Width() != w || view.Height() != h) view.Allocate(w, h);
  const std::uint8_t* greys = greys_.data();
  for (int y = 0; y < h; ++y) {
    const float* src = raw.Row(y);
    std::uint8_t* dst = view.Row(y);
    for (int x = 0; x < w; ++x, dst += 3) {
      const std::uint8_t g = greys[static_cast<int>(src[x])];
      dst[0] = g;
      dst[1] = g;
      dst[2] = g;
    }
  }
  return stats;
}

void RegisterSerControls(Controls& c) {
  const std::string s = "input";
  if (!c.Has("KeepSerBits")) c.AddCheck(s, "KeepSerBits", false, "Keep SER-bitdepth");
  if (!c.Has("debayergroup")) {
    c.AddChoice(s, "debayergroup", {"GR", "RG", "BG", "GB"}, 2);
    c.Describe("debayergroup", "Method", "Select the correct Debayer method");
  }
}

void ApplySerColour(Session& s, const SerHeader& h) {
  Controls& c = s.Controls;
  // Bayer pattern items: 0 GR, 1 RG, 2 BG, 3 GB. Set first, so that the debayer handler
  // below already sees the recording's pattern.
  int pattern = -1;
  switch (h.ColorId) {
    case 8: pattern = 1; break;
    case 9: pattern = 0; break;
    case 10: pattern = 3; break;
    case 11: pattern = 2; break;
    default: break;
  }
  if (pattern >= 0 && c.Has("debayergroup")) c.SetIndex("debayergroup", pattern);

  const std::string hint = c.Info("Colourstack").Hint;
  if (h.ColorId < 8) {
    // The handler runs when the box really changes, so the debayer state follows it.
    c.SetChecked("Avidebay", false, Origin::Replay);
    c.Describe("Colourstack", "Colour", hint);
    c.SetChecked("Colourstack", false);
  } else {
    // Ticked and its handler run, also when it was ticked already.
    c.SetChecked("Avidebay", false);
    c.SetChecked("Avidebay", true, Origin::Replay);
    c.Describe("Colourstack", "Colour(Debayer_Active)", hint);
  }
}

void ReadSerHeader(Session& s, SerReaders& r, const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return;
  // Everything is read before the session changes, so a refused file leaves it as it was.
  SerFile file;
  file.Open(path);
  FloatPlane raw;
  Bitmap24 view;
  file.ReadFrame(0, raw, view, false);

  for (SerFile& slot : r.Slots) slot.Close();
  r.Main = std::move(file);
  const SerHeader& h = r.Main.Header();
  s.IsSer = true;
  ApplySerColour(s, h);
  s.FrameW = s.OrigFrameW = h.Width;
  s.FrameH = s.OrigFrameH = h.Height;
  s.SourceBits = h.PixelDepth;
  s.Work.RawPlane = std::move(raw);
  s.Work.Bitmap = std::move(view);
}

std::vector<std::pair<std::string, std::string>> SerOpenWarnings(const SerFile& f) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!f.IsOpen()) return out;
  const SerHeader& h = f.Header();
  if (h.CutToFileSize())
    out.emplace_back(kSerShortFileTitle,
                     "The SER file " + std::filesystem::path(f.Path()).filename().string() + " holds only " +
                         std::to_string(h.FramesInFile) + " of the " + std::to_string(h.AnnouncedFrames) +
                         " frames its header announces; the missing frames are left out");
  if (h.CutToFrameLimit())
    out.emplace_back(kSerTooManyFramesTitle,
                     "Warning : maximum processing limit is " + std::to_string(kSerMaxFrames) + " frames ");
  return out;
}

void ShowSerOpenWarnings(Session& s, const SerFile& f) {
  for (const auto& [title, text] : SerOpenWarnings(f)) CALLMessagedlg(s, title, text);
}

void ReadSerFrame(Session& s, SerReaders& r, int n) {
  if (!r.Main.IsOpen() || n < 0 || n >= r.Main.Header().FrameCount) return;
  r.Main.ReadFrame(n, s.Work.RawPlane, s.Work.Bitmap, false);
}

void ConnectSerSlot(Session& s, SerReaders& r, int slot, const std::string& path) {
  if (!SlotInRange(slot)) throw Error("Worker slot out of range");
  SerFile file;
  file.Open(path);
  FloatPlane& raw = s.Slots[static_cast<std::size_t>(slot)].RawPlane;
  raw.Allocate(file.Header().Width, file.Header().Height);
  file.ReadFrame(0, raw);
  r.Slots[static_cast<std::size_t>(slot)] = std::move(file);
  if (slot == 0) {
    const SerHeader& h = r.Slots[0].Header();
    ApplySerColour(s, h);
    s.FrameW = h.Width;
    s.FrameH = h.Height;
  }
}

void ReadSerFrameToSlot(Session& s, SerReaders& r, int slot, int n) {
  if (!SlotInRange(slot)) throw Error("Worker slot out of range");
  SerFile& file = r.Slots[static_cast<std::size_t>(slot)];
  if (!file.IsOpen()) {
    if (!r.Main.IsOpen()) return;
    file.Open(r.Main.Path());
  }
  if (n < 0 || n >= file.Header().FrameCount) return;
  const bool fullDepth = s.StackingActive && s.Controls.Has("KeepSerBits") && s.Controls.Checked("KeepSerBits");
  WorkerSlot& ws = s.Slots[static_cast<std::size_t>(slot)];
  file.ReadFrame(n, ws.RawPlane, ws.SlotImage, fullDepth);
}

}  // namespace lumivane::input
