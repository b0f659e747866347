#include "codecs/fits_reader.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "codecs/codec_util.hpp"
#include "session/rounding.hpp"

namespace lumivane::codecs {

FitsFormatError::FitsFormatError(const std::string& path, long long bitpix)
    : Error("Cannot read \"" + path + "\": " + kText + " (BITPIX " + std::to_string(bitpix) + ")"),
      bitpix_(bitpix) {}

namespace {

constexpr size_t kCardBytes = 80;
constexpr size_t kCardsPerBlock = 36;
constexpr size_t kBlockBytes = kCardBytes * kCardsPerBlock;  // 2880
constexpr size_t kValueEnd = 30;  // a card's value is read up to column 30
// A BZERO beyond this is taken as unreadable: the sums with it would leave float range.
constexpr double kLargestBzero = 1e15;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading and gives its size (a pipe or device would never end).
File OpenRegular(const std::string& path, std::uint64_t& size) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowReadError(path, std::strerror(errno));
  struct stat info {};
  if (::fstat(fileno(file.get()), &info) != 0) ThrowReadError(path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) ThrowReadError(path, "not a regular file");
  size = static_cast<std::uint64_t>(info.st_size);
  return file;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}
std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// What may follow a number inside the value field: blanks, then nothing or a comment.
bool OnlyCommentAfter(std::string_view rest) {
  rest = TrimLeft(rest);
  return rest.empty() || rest.front() == '/';
}

// The keyword of a card: its first eight characters without trailing blanks.
std::string_view Keyword(std::string_view card) { return TrimRight(card.substr(0, 8)); }

// The text after the card's first "=" up to column 30, without trailing blanks; nothing
// when the card has no "=".
std::optional<std::string_view> ValueText(std::string_view card) {
  const size_t eq = card.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  if (eq + 1 >= kValueEnd) return std::string_view();
  return TrimRight(card.substr(eq + 1, kValueEnd - eq - 1));
}

std::optional<long long> ParseWhole(std::string_view text) {
  text = TrimLeft(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end == text.data()) return std::nullopt;
  if (!OnlyCommentAfter(std::string_view(end, static_cast<size_t>(text.data() + text.size() - end)))) {
    return std::nullopt;
  }
  return v;
}

// BZERO: a decimal number written with "." or "," as the separator, whatever the locale,
// rounded to a whole number; 0 when it does not read.
double ParseBzero(std::string_view text) {
  text = TrimLeft(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  char buffer[kValueEnd];
  const size_t n = std::min(text.size(), sizeof buffer);
  std::replace_copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer, ',', '.');
  double v = 0;
  const auto [end, ec] = std::from_chars(buffer, buffer + n, v);
  if (ec != std::errc() || end == buffer) return 0;
  if (!OnlyCommentAfter(std::string_view(end, static_cast<size_t>(buffer + n - end)))) return 0;
  if (!std::isfinite(v) || std::fabs(v) > kLargestBzero) return 0;
  return RoundEven(v) + 0.0;  // + 0.0 turns -0 into 0
}

long long WholeValue(const std::string& path, std::string_view card, std::string_view keyword) {
  const std::optional<std::string_view> text = ValueText(card);
  if (!text) ThrowReadError(path, "the FITS card " + std::string(keyword) + " has no \"=\"");
  const std::optional<long long> v = ParseWhole(*text);
  if (!v) ThrowReadError(path, "the FITS card " + std::string(keyword) + " does not hold a whole number");
  return *v;
}

FitsHeader ReadHeader(const std::string& path, std::FILE* file, std::uint64_t fileSize) {
  FitsHeader header;
  char block[kBlockBytes];
  for (std::uint64_t offset = 0; offset < fileSize; offset += kBlockBytes) {
    const size_t got = std::fread(block, 1, kBlockBytes, file);
    if (got < kBlockBytes && std::ferror(file)) ThrowReadError(path, std::strerror(errno ? errno : EIO));
    for (size_t c = 0; c + kCardBytes <= got; c += kCardBytes) {
      const std::string_view card(block + c, kCardBytes);
      const std::string_view key = Keyword(card);
      if (key == "END") {
        header.DataOffset = offset + kBlockBytes;
        return header;
      }
      if (key == "NAXIS1") header.Naxis1 = WholeValue(path, card, key);
      else if (key == "NAXIS2") header.Naxis2 = WholeValue(path, card, key);
      else if (key == "BITPIX") header.Bitpix = WholeValue(path, card, key);
      else if (key == "BZERO") header.Bzero = ParseBzero(ValueText(card).value_or(std::string_view()));
    }
    if (got < kBlockBytes) break;
  }
  ThrowReadError(path, "no FITS header: the END card is missing");
}

// Converts one file row (big-endian samples) to values; `Sample` gives the sample at i.
template <typename Sample>
void ConvertRow(const std::uint8_t* in, int width, double bzero, float* out, double& lo, double& hi, Sample sample) {
  for (int x = 0; x < width; ++x) {
    const float v = static_cast<float>(sample(in, x) + bzero) + 0.0f;
    out[x] = v;
    lo = std::min<double>(lo, v);
    hi = std::max<double>(hi, v);
  }
}

std::string WholeText(double v) {
  char text[400];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 0);
  return ec == std::errc() ? std::string(text, end) : std::string("?");
}

FitsFrame Decode(const std::string& path, std::FILE* file, std::uint64_t fileSize, const FitsLimits& limits) {
  const FitsHeader header = ReadHeader(path, file, fileSize);
  constexpr long long kLargestAxis = std::numeric_limits<int>::max();
  if (header.Naxis1 < 1 || header.Naxis2 < 1) {
    ThrowReadError(path, "the FITS header gives no image size (NAXIS1 " + std::to_string(header.Naxis1) +
                             ", NAXIS2 " + std::to_string(header.Naxis2) + ")");
  }
  if (header.Naxis1 > kLargestAxis || header.Naxis2 > kLargestAxis) {
    ThrowReadError(path, "the FITS image size " + std::to_string(header.Naxis1) + " x " +
                             std::to_string(header.Naxis2) + " is absurd");
  }
  const long long bitpix = header.Bitpix;
  if (bitpix != 8 && bitpix != 16 && bitpix != 32 && bitpix != -32) throw FitsFormatError(path, bitpix);
  if (header.Naxis1 > limits.MaxRowSamples) {
    ThrowReadError(path, "FITS rows of " + std::to_string(header.Naxis1) + " samples are wider than the " +
                             std::to_string(limits.MaxRowSamples) + " samples this program reads");
  }

  FitsFrame frame;
  frame.OrigWidth = static_cast<int>(header.Naxis1);
  frame.OrigHeight = static_cast<int>(header.Naxis2);
  const int w = std::min(frame.OrigWidth, std::max(limits.MaxDim, 1));
  const int h = std::min(frame.OrigHeight, std::max(limits.MaxDim, 1));
  frame.Width = w;
  frame.Height = h;
  frame.Bitpix = static_cast<int>(bitpix);
  frame.Bzero = header.Bzero;

  const size_t sampleBytes = static_cast<size_t>(bitpix < 0 ? -bitpix : bitpix) / 8;
  const size_t rowBytes = static_cast<size_t>(header.Naxis1) * sampleBytes;
  if (!InBounds(header.DataOffset, static_cast<std::uint64_t>(rowBytes) * static_cast<std::uint64_t>(h), fileSize)) {
    ThrowReadError(path, "the file ends before its image data: " + std::to_string(h) + " rows of " +
                             std::to_string(rowBytes) + " bytes need " +
                             std::to_string(header.DataOffset + static_cast<std::uint64_t>(rowBytes) * h) +
                             " bytes, the file holds " + std::to_string(fileSize));
  }
  if (::fseeko(file, static_cast<off_t>(header.DataOffset), SEEK_SET) != 0) {
    ThrowReadError(path, std::strerror(errno));
  }

  frame.Samples.Allocate(w, h);
  std::vector<std::uint8_t> row(rowBytes);
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  const double bzero = header.Bzero;
  for (int k = 0; k < h; ++k) {
    if (std::fread(row.data(), 1, rowBytes, file) != rowBytes) {
      ThrowReadError(path, std::ferror(file) ? std::strerror(errno ? errno : EIO) : "the image data is truncated");
    }
    float* out = frame.Samples.Row(h - 1 - k);
    const std::uint8_t* in = row.data();
    switch (bitpix) {
      case 8:
        ConvertRow(in, w, bzero, out, lo, hi, [](const std::uint8_t* p, int x) { return static_cast<double>(p[x]); });
        break;
      case 16:
        ConvertRow(in, w, bzero, out, lo, hi, [](const std::uint8_t* p, int x) {
          return static_cast<double>(static_cast<std::int16_t>(Get16(p + 2 * x, true)));
        });
        break;
      case 32:
        ConvertRow(in, w, bzero, out, lo, hi, [](const std::uint8_t* p, int x) {
          return static_cast<double>(static_cast<std::int32_t>(Get32(p + 4 * x, true)));
        });
        break;
      default:  // -32
        ConvertRow(in, w, bzero, out, lo, hi, [](const std::uint8_t* p, int x) {
          const float f = std::bit_cast<float>(Get32(p + 4 * x, true));
          return std::isfinite(f) ? RoundEven(f) : 0.0;  // NaN marks a blank pixel
        });
        break;
    }
  }
  frame.Min = lo;
  frame.Max = hi;
  frame.Description = std::to_string(bitpix) + "bits, lo:" + WholeText(lo) + " hi:" + WholeText(hi);

  frame.View.Allocate(w, h);
  const double scale = 255.0 / (hi - lo + 1.0);
  for (int y = 0; y < h; ++y) {
    const float* in = frame.Samples.Row(y);
    std::uint8_t* out = frame.View.Row(y);
    for (int x = 0; x < w; ++x, out += 3) {
      const double g = RoundEven((in[x] - lo) * scale);
      const std::uint8_t grey = g > 254 ? 255 : g < 1 ? 0 : static_cast<std::uint8_t>(g);
      out[0] = out[1] = out[2] = grey;
    }
  }
  return frame;
}

}  // namespace

FitsHeader ReadFITSHeader(const std::string& path) {
  std::uint64_t size = 0;
  const File file = OpenRegular(path, size);
  return ReadHeader(path, file.get(), size);
}

FitsFrame ReadFITS(const std::string& path, const FitsLimits& limits) {
  std::uint64_t size = 0;
  const File file = OpenRegular(path, size);
  try {
    return Decode(path, file.get(), size, limits);
  } catch (const std::bad_alloc&) {
    ThrowReadError(path, "not enough memory for the image");
  }
}

std::string FitsChannelName(const std::string& path) {
  const std::filesystem::path name = std::filesystem::path(path).filename();
  const std::string stem = name.stem().string();
  std::string t = stem.substr(stem.size() < 2 ? 0 : stem.size() - 2);
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  std::string lower = name.string();
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower.find(".red") != std::string::npos) t = "_R";
  if (lower.find(".green") != std::string::npos) t = "_G";
  if (lower.find(".blue") != std::string::npos) t = "_B";
  if (lower.find(".luminance") != std::string::npos) t = "_L";
  return t;
}

bool IsFitsLuminanceName(const std::string& path) { return FitsChannelName(path) == "_L"; }

}  // namespace lumivane::codecs
