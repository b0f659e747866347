#include "codecs/tiff_decompress.hpp"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace lumivane::codecs::tiff {

namespace {

constexpr unsigned kClearCode = 256;
constexpr unsigned kEndCode = 257;
constexpr unsigned kFirstFreeCode = 258;
constexpr unsigned kTableSize = 4096;

// Codes packed most significant bit first.
class BitReader {
 public:
  BitReader(const std::uint8_t* data, size_t size) : data_(data), size_(size) {}
  // False when fewer than `width` bits are left.
  bool Read(unsigned width, unsigned& code) {
    while (bitCount_ < width) {
      if (pos_ >= size_) return false;
      buffer_ = (buffer_ << 8) | data_[pos_++];
      bitCount_ += 8;
    }
    bitCount_ -= width;
    code = (buffer_ >> bitCount_) & ((1u << width) - 1);
    return true;
  }

 private:
  const std::uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  std::uint32_t buffer_ = 0;
  unsigned bitCount_ = 0;
};

}  // namespace

DecodeResult DecodeLzw(const std::uint8_t* in, size_t inSize, std::uint8_t* out, size_t outSize) {
  // Entry k is the string of entry prefix[k] followed by the byte suffix[k]; the table grows
  // without a limit on the image size (only the 12-bit code space bounds it).
  std::vector<std::uint16_t> prefix(kTableSize), length(kTableSize);
  std::vector<std::uint8_t> suffix(kTableSize), first(kTableSize);
  for (unsigned k = 0; k < 256; ++k) {
    suffix[k] = first[k] = static_cast<std::uint8_t>(k);
    length[k] = 1;
  }
  BitReader bits(in, inSize);
  size_t pos = 0;
  unsigned next = kFirstFreeCode, width = 9;
  int previous = -1;  // no previous code right after a Clear code

  // Writes the string of `code` at pos, clipped to the output.
  auto emit = [&](unsigned code) {
    const size_t len = length[code];
    size_t p = pos + len;
    for (unsigned c = code;; c = prefix[c]) {
      --p;
      if (p < outSize) out[p] = suffix[c];
      if (c < 256) break;
    }
    pos += len;
  };

  while (pos < outSize) {
    unsigned code;
    if (!bits.Read(width, code)) return DecodeResult::Truncated;
    if (code == kEndCode) return DecodeResult::Truncated;
    if (code == kClearCode) {
      next = kFirstFreeCode;
      width = 9;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code > 255) return DecodeResult::Corrupt;
      emit(code);
      previous = static_cast<int>(code);
      continue;
    }
    std::uint8_t firstByte;
    if (code < next) {
      firstByte = first[code];
    } else if (code == next && next < kTableSize) {
      firstByte = first[previous];  // the string being defined: previous + its own first byte
    } else {
      return DecodeResult::Corrupt;
    }
    if (next < kTableSize) {
      prefix[next] = static_cast<std::uint16_t>(previous);
      suffix[next] = firstByte;
      first[next] = first[previous];
      length[next] = static_cast<std::uint16_t>(length[previous] + 1);
      ++next;
      // The code width grows one code early: after entries 510, 1022 and 2046.
      if (next + 1 >= (1u << width) && width < 12) ++width;
    }
    emit(code);
    previous = static_cast<int>(code);
  }
  return DecodeResult::Ok;
}

DecodeResult DecodePackBits(const std::uint8_t* in, size_t inSize, std::uint8_t* out, size_t outSize) {
  size_t i = 0, pos = 0;
  while (pos < outSize) {
    if (i >= inSize) return DecodeResult::Truncated;
    const int n = static_cast<std::int8_t>(in[i++]);
    if (n >= 0) {
      const size_t count = static_cast<size_t>(n) + 1;
      if (count > inSize - i) return DecodeResult::Truncated;
      const size_t take = std::min(count, outSize - pos);
      std::memcpy(out + pos, in + i, take);
      i += count;
      pos += take;
    } else if (n != -128) {
      if (i >= inSize) return DecodeResult::Truncated;
      const size_t take = std::min(static_cast<size_t>(1 - n), outSize - pos);
      std::memset(out + pos, in[i++], take);
      pos += take;
    }
  }
  return DecodeResult::Ok;
}

DecodeResult DecodeDeflate(const std::uint8_t* in, size_t inSize, std::uint8_t* out, size_t outSize) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return DecodeResult::Corrupt;
  size_t inDone = 0, outDone = 0;
  DecodeResult result = DecodeResult::Truncated;
  for (;;) {
    // zlib counts in 32-bit units: feed and drain large buffers piecewise.
    const uInt inChunk = static_cast<uInt>(std::min<size_t>(inSize - inDone, UINT_MAX));
    const uInt outChunk = static_cast<uInt>(std::min<size_t>(outSize - outDone, UINT_MAX));
    z.next_in = const_cast<Bytef*>(in + inDone);
    z.avail_in = inChunk;
    z.next_out = out + outDone;
    z.avail_out = outChunk;
    const int rc = inflate(&z, Z_NO_FLUSH);
    inDone += inChunk - z.avail_in;
    outDone += outChunk - z.avail_out;
    if (outDone == outSize) {
      result = DecodeResult::Ok;
      break;
    }
    if (rc == Z_STREAM_END || rc == Z_BUF_ERROR) break;  // ended early, or no input left
    if (rc != Z_OK) {
      result = DecodeResult::Corrupt;
      break;
    }
  }
  inflateEnd(&z);
  return result;
}

}  // namespace lumivane::codecs::tiff
