#include "codecs/tiff_codec.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <vector>

#include "codecs/codec_util.hpp"
#include "codecs/tiff_decompress.hpp"
#include "platform/atomic_file.hpp"

namespace lumivane::codecs {

namespace {

constexpr char kInvalidHeader[] = "Invalid TIFF header";
constexpr char kNoDimension[] = "Invalid TIFF header: no dimension";
constexpr char kUnsupported[] = "unsupported TIFF format";

// Field types of a directory entry that hold unsigned integers.
enum : std::uint16_t { kTypeByte = 1, kTypeShort = 3, kTypeLong = 4 };

enum : std::uint16_t {
  kTagWidth = 256,
  kTagHeight = 257,
  kTagBitsPerSample = 258,
  kTagCompression = 259,
  kTagPhotometric = 262,
  kTagFillOrder = 266,
  kTagStripOffsets = 273,
  kTagOrientation = 274,
  kTagSamplesPerPixel = 277,
  kTagRowsPerStrip = 278,
  kTagStripByteCounts = 279,
  kTagPlanarConfig = 284,
  kTagPredictor = 317,
  kTagColourMap = 320,
  kTagTileWidth = 322,
  kTagTileOffsets = 324,
};

enum : std::uint32_t {
  kCompressionNone = 1,
  kCompressionLzw = 5,
  kCompressionDeflate = 8,
  kCompressionAdobeDeflate = 32946,
  kCompressionPackBits = 32773,
};

enum : std::uint32_t { kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kPalette = 3 };

// The first directory of a file, with TIFF's defaults for absent tags.
struct Directory {
  std::uint32_t width = 0, height = 0;
  std::uint32_t bitsPerSample = 1, samplesPerPixel = 1;
  std::uint32_t compression = kCompressionNone;
  std::uint32_t photometric = 0;
  bool hasPhotometric = false;
  std::uint32_t fillOrder = 1;
  std::uint32_t rowsPerStrip = 0;  // 0: not given
  std::uint32_t planar = 1;
  std::uint32_t predictor = 1;
  bool tiled = false;
  std::vector<std::uint32_t> stripOffsets, stripByteCounts;
  bool hasByteCounts = false;
  std::vector<std::uint32_t> colourMap;
};

class TiffReader {
 public:
  TiffReader(const std::string& path, const std::vector<std::uint8_t>& bytes)
      : path_(path), bytes_(bytes) {}

  void Read(TiffImage& result, std::uint16_t& scaleMax);

 private:
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    size_t valuePos;  // position of the value field of the entry
  };

  [[noreturn]] void Fail(std::string_view reason) const { ThrowReadError(path_, reason); }
  std::uint16_t U16(size_t pos) const {
    if (!InBounds(pos, 2, bytes_.size())) Fail("the file is truncated");
    return Get16(bytes_.data() + pos, bigEndian_);
  }
  std::uint32_t U32(size_t pos) const {
    if (!InBounds(pos, 4, bytes_.size())) Fail("the file is truncated");
    return Get32(bytes_.data() + pos, bigEndian_);
  }
  // Position of the entry's values (checked to lie in the file) and the size of one value.
  size_t ArrayPos(const Entry& e, size_t& size) const;
  std::uint32_t ValueAt(size_t pos, size_t size) const;
  std::vector<std::uint32_t> Values(const Entry& e) const;
  std::uint32_t FirstValue(const Entry& e) const;
  Directory ReadDirectory();
  void CheckSupported(const Directory& d) const;
  std::vector<const std::uint8_t*> LocateRows(const Directory& d, std::vector<std::uint8_t>& decoded);

  const std::string& path_;
  const std::vector<std::uint8_t>& bytes_;
  bool bigEndian_ = false;
};

size_t TiffReader::ArrayPos(const Entry& e, size_t& size) const {
  switch (e.type) {
    case kTypeByte: size = 1; break;
    case kTypeShort: size = 2; break;
    case kTypeLong: size = 4; break;
    default: Fail("TIFF tag " + std::to_string(e.tag) + " has an unexpected field type");
  }
  const std::uint64_t total = std::uint64_t{e.count} * size;
  if (total <= 4) return e.valuePos;  // the values stand in the entry itself
  const size_t pos = U32(e.valuePos);
  if (!InBounds(pos, total, bytes_.size())) {
    Fail("TIFF tag " + std::to_string(e.tag) + " points outside the file");
  }
  return pos;
}

std::uint32_t TiffReader::ValueAt(size_t pos, size_t size) const {
  return size == 1 ? bytes_[pos] : size == 2 ? U16(pos) : U32(pos);
}

std::vector<std::uint32_t> TiffReader::Values(const Entry& e) const {
  size_t size;
  const size_t pos = ArrayPos(e, size);
  std::vector<std::uint32_t> values(e.count);
  for (std::uint32_t i = 0; i < e.count; ++i) values[i] = ValueAt(pos + i * size, size);
  return values;
}

std::uint32_t TiffReader::FirstValue(const Entry& e) const {
  if (e.count == 0) return 0;
  size_t size;
  const size_t pos = ArrayPos(e, size);
  return ValueAt(pos, size);
}

Directory TiffReader::ReadDirectory() {
  const std::uint32_t dirPos = U32(4);
  const std::uint16_t count = U16(dirPos);
  if (!InBounds(dirPos + std::uint64_t{2}, std::uint64_t{count} * 12, bytes_.size())) {
    Fail("the TIFF directory is truncated");
  }
  Directory d;
  for (std::uint16_t i = 0; i < count; ++i) {
    const size_t at = dirPos + 2 + size_t{i} * 12;
    const Entry e{U16(at), U16(at + 2), U32(at + 4), at + 8};
    switch (e.tag) {
      case kTagWidth: d.width = FirstValue(e); break;
      case kTagHeight: d.height = FirstValue(e); break;
      case kTagBitsPerSample: d.bitsPerSample = FirstValue(e); break;
      case kTagCompression: d.compression = FirstValue(e); break;
      case kTagPhotometric:
        d.photometric = FirstValue(e);
        d.hasPhotometric = true;
        break;
      case kTagFillOrder: d.fillOrder = FirstValue(e); break;
      case kTagStripOffsets: d.stripOffsets = Values(e); break;
      case kTagSamplesPerPixel: d.samplesPerPixel = FirstValue(e); break;
      case kTagRowsPerStrip: d.rowsPerStrip = FirstValue(e); break;
      case kTagStripByteCounts:
        d.stripByteCounts = Values(e);
        d.hasByteCounts = true;
        break;
      case kTagPlanarConfig: d.planar = FirstValue(e); break;
      case kTagPredictor: d.predictor = FirstValue(e); break;
      case kTagColourMap: d.colourMap = Values(e); break;
      case kTagTileWidth:
      case kTagTileOffsets: d.tiled = true; break;
      default: break;  // kTagOrientation and the rest: not used
    }
  }
  if (d.fillOrder == 0) d.fillOrder = 1;
  if (!d.hasPhotometric) d.photometric = d.samplesPerPixel >= 3 ? kRgb : kBlackIsZero;
  return d;
}

// Refuses what this reader does not decode, before anything is allocated.
void TiffReader::CheckSupported(const Directory& d) const {
  if (d.width == 0 || d.height == 0) Fail(kNoDimension);
  const std::uint64_t bitsPerPixel = std::uint64_t{d.samplesPerPixel} * d.bitsPerSample;
  if (bitsPerPixel > 48 || bitsPerPixel == 0) Fail(kUnsupported);
  auto refuse = [&](const std::string& why) { Fail(std::string(kUnsupported) + " (" + why + ")"); };
  if (std::uint64_t{d.width} * d.height > kMaxPixels) refuse("the image is too large");
  if (d.tiled) refuse("tiled image");
  if (d.planar != 1 && d.samplesPerPixel > 1) refuse("separate colour planes");
  const std::uint32_t spp = d.samplesPerPixel, bps = d.bitsPerSample;
  const bool grey = spp == 1 && (bps == 1 || bps == 4 || bps == 8 || bps == 16);
  const bool colour = (spp == 3 && (bps == 8 || bps == 16)) || (spp == 4 && bps == 8);
  if (!grey && !colour) {
    refuse(std::to_string(spp) + " samples of " + std::to_string(bps) + " bits per pixel");
  }
  if (grey && d.photometric != kWhiteIsZero && d.photometric != kBlackIsZero &&
      !(d.photometric == kPalette && bps <= 8)) {
    refuse("photometric interpretation " + std::to_string(d.photometric));
  }
  if (colour && d.photometric != kRgb) refuse("photometric interpretation " + std::to_string(d.photometric));
  if (d.photometric == kPalette && d.colourMap.size() < 3u * (1u << bps)) {
    Fail("the TIFF colour map is missing or too short");
  }
  switch (d.compression) {
    case kCompressionNone:
    case kCompressionLzw:
    case kCompressionDeflate:
    case kCompressionAdobeDeflate:
    case kCompressionPackBits: break;
    default: refuse("compression " + std::to_string(d.compression));
  }
  if (d.predictor != 1 && !(d.predictor == 2 && bps >= 8)) {
    refuse("predictor " + std::to_string(d.predictor));
  }
  if (d.stripOffsets.empty()) Fail("the TIFF file has no strip offsets");
}

// Finds the bytes of every row: inside the file for uncompressed strips, otherwise in
// `decoded`, which receives all strips one after the other.
std::vector<const std::uint8_t*> TiffReader::LocateRows(const Directory& d,
                                                        std::vector<std::uint8_t>& decoded) {
  const std::uint32_t height = d.height;
  const size_t rowBytes = (std::uint64_t{d.width} * d.samplesPerPixel * d.bitsPerSample + 7) / 8;
  const size_t strips = d.stripOffsets.size();
  // Rows per strip absent or 0: the strips share the rows evenly (the last one may be short).
  std::uint32_t rowsPerStrip = d.rowsPerStrip;
  if (rowsPerStrip == 0) rowsPerStrip = static_cast<std::uint32_t>((height + strips - 1) / strips);
  rowsPerStrip = std::min(rowsPerStrip, height);
  const size_t needed = (size_t{height} + rowsPerStrip - 1) / rowsPerStrip;
  if (strips < needed) {
    Fail("the TIFF file has " + std::to_string(strips) + " strips for " + std::to_string(needed));
  }
  if (d.hasByteCounts && d.stripByteCounts.size() < needed) Fail("the TIFF strip byte counts are missing");
  if (!d.hasByteCounts && d.compression != kCompressionNone) Fail("the TIFF strip byte counts are missing");

  std::vector<const std::uint8_t*> rows(height);
  const bool compressed = d.compression != kCompressionNone;
  if (compressed) decoded.assign(rowBytes * height, 0);
  for (size_t s = 0; s < needed; ++s) {
    const std::uint32_t firstRow = static_cast<std::uint32_t>(s * rowsPerStrip);
    const std::uint32_t stripRows = std::min(rowsPerStrip, height - firstRow);
    const size_t stripBytes = rowBytes * stripRows;
    const std::string strip = "strip " + std::to_string(s);
    const std::uint64_t offset = d.stripOffsets[s];
    const std::uint64_t available = d.hasByteCounts ? d.stripByteCounts[s] : stripBytes;
    const std::uint8_t* data = bytes_.data() + std::min<std::uint64_t>(offset, bytes_.size());
    if (!compressed) {
      if (available < stripBytes) Fail(strip + " holds fewer bytes than its rows need");
      if (!InBounds(offset, stripBytes, bytes_.size())) Fail(strip + " lies outside the file");
      for (std::uint32_t r = 0; r < stripRows; ++r) rows[firstRow + r] = data + r * rowBytes;
      continue;
    }
    if (!InBounds(offset, available, bytes_.size())) Fail(strip + " lies outside the file");
    std::uint8_t* out = decoded.data() + firstRow * rowBytes;
    tiff::DecodeResult result;
    const char* name;
    switch (d.compression) {
      case kCompressionLzw:
        name = "LZW";
        result = tiff::DecodeLzw(data, available, out, stripBytes);
        break;
      case kCompressionPackBits:
        name = "PackBits";
        result = tiff::DecodePackBits(data, available, out, stripBytes);
        break;
      default:
        name = "Deflate";
        result = tiff::DecodeDeflate(data, available, out, stripBytes);
        break;
    }
    if (result == tiff::DecodeResult::Truncated) Fail(strip + ": the " + std::string(name) + " data ends early");
    if (result == tiff::DecodeResult::Corrupt) Fail(strip + ": corrupt " + std::string(name) + " data");
    for (std::uint32_t r = 0; r < stripRows; ++r) rows[firstRow + r] = out + r * rowBytes;
  }

  // Horizontal differencing: every sample gets the sample one pixel to its left added.
  if (compressed && d.predictor == 2 && d.compression != kCompressionPackBits) {
    const size_t spp = d.samplesPerPixel;
    for (std::uint32_t y = 0; y < height; ++y) {
      std::uint8_t* row = decoded.data() + y * rowBytes;
      if (d.bitsPerSample == 8) {
        for (size_t i = spp; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - spp]);
      } else {  // 16 bits, in the file's byte order
        for (size_t i = spp; i < rowBytes / 2; ++i) {
          std::uint8_t* p = row + 2 * i;
          const std::uint16_t v = static_cast<std::uint16_t>(Get16(p, bigEndian_) + Get16(p - 2 * spp, bigEndian_));
          p[bigEndian_ ? 0 : 1] = static_cast<std::uint8_t>(v >> 8);
          p[bigEndian_ ? 1 : 0] = static_cast<std::uint8_t>(v & 0xFF);
        }
      }
    }
  }
  return rows;
}

// Bit order within a byte reversed (fill order 2).
std::uint8_t ReverseBits(std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 8; ++i, b >>= 1) r = static_cast<std::uint8_t>(r << 1 | (b & 1));
  return r;
}

// numerator / divisor rounded to nearest, halves to even.
std::uint32_t RoundDiv(std::uint64_t numerator, std::uint64_t divisor) {
  std::uint64_t q = numerator / divisor, r = numerator % divisor;
  if (2 * r > divisor || (2 * r == divisor && (q & 1))) ++q;
  return static_cast<std::uint32_t>(q);
}

void TiffReader::Read(TiffImage& result, std::uint16_t& scaleMax) {
  if (bytes_.size() < 8) Fail(kInvalidHeader);
  const bool little = bytes_[0] == 'I' && bytes_[1] == 'I';
  const bool big = bytes_[0] == 'M' && bytes_[1] == 'M';
  bigEndian_ = big;
  if ((!little && !big) || U16(2) != 42) Fail(kInvalidHeader);

  const Directory d = ReadDirectory();
  CheckSupported(d);
  std::vector<std::uint8_t> decoded;
  const std::vector<const std::uint8_t*> rows = LocateRows(d, decoded);

  const int width = static_cast<int>(d.width), height = static_cast<int>(d.height);
  const std::uint32_t bps = d.bitsPerSample, spp = d.samplesPerPixel;
  TiffImage image;
  image.Picture.Allocate(width, height);
  image.Pixels16.Allocate(width, height);
  image.BitsPerPixel = static_cast<int>(bps * spp);
  std::uint32_t largest = 0;

  if (spp == 1 && bps <= 8) {
    // 1, 4 and 8 bits: palette indices or grey levels, shown through a 256-entry palette
    // (R, G, B). The 16-bit image takes the shown values 0..255.
    std::array<std::array<std::uint8_t, 3>, 256> palette{};
    const std::uint32_t entries = 1u << bps;
    for (std::uint32_t i = 0; i < entries; ++i) {
      if (d.photometric == kPalette) {
        for (int c = 0; c < 3; ++c) {
          palette[i][c] = static_cast<std::uint8_t>((d.colourMap[c * entries + i] + 128) / 257);
        }
      } else {
        std::uint8_t level = static_cast<std::uint8_t>(i * 255 / (entries - 1));
        if (d.photometric == kWhiteIsZero) level = static_cast<std::uint8_t>(255 - level);
        palette[i] = {level, level, level};
      }
    }
    const bool reversedBits = d.fillOrder == 2 && bps < 8;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = rows[y];
      std::uint8_t* pic = image.Picture.Row(y);
      std::uint16_t* deep = image.Pixels16.Row(y);
      for (int x = 0; x < width; ++x) {
        std::uint32_t index;
        if (bps == 8) {
          index = in[x];
        } else {
          std::uint8_t byte = in[static_cast<size_t>(x) * bps / 8];
          if (reversedBits) byte = ReverseBits(byte);
          const unsigned shift = 8 - bps - (static_cast<unsigned>(x) * bps) % 8;
          index = (byte >> shift) & (entries - 1);
        }
        const auto& rgb = palette[index];
        pic[3 * x] = rgb[2];
        pic[3 * x + 1] = rgb[1];
        pic[3 * x + 2] = rgb[0];
        for (int c = 0; c < 3; ++c) {
          deep[3 * x + c] = rgb[c];
          largest = std::max<std::uint32_t>(largest, rgb[c]);
        }
      }
    }
  } else if (spp == 1) {
    // 16-bit grey: the picture scaled so that `scale` becomes 255.
    const std::uint32_t scale = scaleMax == 0 ? 65535 : scaleMax;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = rows[y];
      std::uint8_t* pic = image.Picture.Row(y);
      std::uint16_t* deep = image.Pixels16.Row(y);
      for (int x = 0; x < width; ++x) {
        std::uint16_t v = Get16(in + 2 * x, bigEndian_);
        if (d.photometric == kWhiteIsZero) v = static_cast<std::uint16_t>(65535 - v);
        deep[3 * x] = deep[3 * x + 1] = deep[3 * x + 2] = v;
        largest = std::max<std::uint32_t>(largest, v);
        const std::uint8_t shown = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, RoundDiv(v * 255ull, scale)));
        pic[3 * x] = pic[3 * x + 1] = pic[3 * x + 2] = shown;
      }
    }
  } else if (bps == 8) {
    // 24 and 32 bits: R, G, B bytes (a fourth sample is ignored); 16-bit samples byte x 256.
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = rows[y];
      std::uint8_t* pic = image.Picture.Row(y);
      std::uint16_t* deep = image.Pixels16.Row(y);
      for (int x = 0; x < width; ++x, in += spp) {
        for (int c = 0; c < 3; ++c) {
          pic[3 * x + 2 - c] = in[c];
          deep[3 * x + c] = static_cast<std::uint16_t>(in[c] << 8);
        }
      }
    }
  } else {
    // 48 bits: the samples as stored, the picture their high bytes.
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = rows[y];
      std::uint8_t* pic = image.Picture.Row(y);
      std::uint16_t* deep = image.Pixels16.Row(y);
      for (int x = 0; x < width; ++x, in += 6) {
        for (int c = 0; c < 3; ++c) {
          const std::uint16_t v = Get16(in + 2 * c, bigEndian_);
          deep[3 * x + c] = v;
          pic[3 * x + 2 - c] = static_cast<std::uint8_t>(v >> 8);
        }
      }
    }
  }
  result = std::move(image);
  scaleMax = static_cast<std::uint16_t>(largest);
}

}  // namespace

void ReadTIFF(TiffImage& image, const std::string& path, std::uint16_t& scaleMax) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  try {
    TiffReader(path, bytes).Read(image, scaleMax);
  } catch (const std::bad_alloc&) {
    ThrowReadError(path, "not enough memory for the image");
  }
}

void WriteTIFF(const Image16& pixels, const std::string& path) {
  const std::uint32_t width = static_cast<std::uint32_t>(pixels.Width());
  const std::uint32_t height = static_cast<std::uint32_t>(pixels.Height());
  if (pixels.Empty()) throw Error("Cannot write \"" + path + "\": the image is empty");
  const std::uint64_t dataBytes = std::uint64_t{width} * height * 6;
  // Width and height are SHORT fields; the whole file must stay below 4 GiB.
  if (width > 65535 || height > 65535 || dataBytes > std::numeric_limits<std::uint32_t>::max() - 182u) {
    throw Error("Cannot write \"" + path + "\": the image is too large for a TIFF file");
  }
  constexpr std::uint32_t kDataOffset = 182;
  std::string out;
  out.reserve(kDataOffset + dataBytes);
  out += "II";
  Put16LE(out, 42);
  Put32LE(out, 8);
  struct Field {
    std::uint16_t tag, type;
    std::uint32_t value;
  };
  const Field fields[] = {
      {254, kTypeLong, 0},        {kTagWidth, kTypeShort, width},
      {kTagHeight, kTypeShort, height}, {kTagBitsPerSample, kTypeShort, 16},
      {kTagCompression, kTypeShort, 1}, {kTagPhotometric, kTypeShort, kRgb},
      {kTagFillOrder, kTypeShort, 1},   {kTagStripOffsets, kTypeLong, kDataOffset},
      {kTagOrientation, kTypeShort, 1}, {kTagSamplesPerPixel, kTypeShort, 3},
      {kTagRowsPerStrip, kTypeShort, height}, {kTagStripByteCounts, kTypeLong, static_cast<std::uint32_t>(dataBytes)},
      {kTagPlanarConfig, kTypeShort, 1}, {kTagPredictor, kTypeShort, 1},
  };
  Put16LE(out, static_cast<std::uint32_t>(std::size(fields)));
  for (const Field& f : fields) {
    Put16LE(out, f.tag);
    Put16LE(out, f.type);
    Put32LE(out, 1);
    Put32LE(out, f.value);  // a SHORT value fills the low two bytes, the high two stay 0
  }
  Put32LE(out, 0);  // no further directory
  const size_t samples = size_t{width} * height * 3;
  out.resize(kDataOffset + dataBytes);
  char* dst = out.data() + kDataOffset;
  const std::uint16_t* data = pixels.Data();
  for (size_t i = 0; i < samples; ++i) {
    dst[2 * i] = static_cast<char>(data[i] & 0xFF);
    dst[2 * i + 1] = static_cast<char>(data[i] >> 8);
  }
  platform::WriteFileAtomically(path, out);
}

}  // namespace lumivane::codecs
