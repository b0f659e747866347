// A small AVI writer for reader tests: RIFF 'AVI ' with hdrl (avih, one strl with strh and
// strf = BITMAPINFOHEADER + colour table), movi with one chunk a frame, and an idx1.
#pragma once
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace lumivane::testavi {

struct AviContent {
  int Width = 4, Height = 2;
  int BitCount = 8;
  std::uint32_t Compression = 0;  // biCompression (and strh handler); 0 = uncompressed DIB
  bool NegativeHeight = false;    // a top-down DIB
  std::vector<std::uint8_t> Palette;  // colour table bytes (B, G, R, 0 per entry)
  std::vector<std::vector<std::uint8_t>> Frames;  // stored bytes of every frame
  std::uint32_t Start = 0;        // strh dwStart
  bool WriteIndex = true;
  std::string StreamType = "vids";
};

inline std::uint32_t Fcc(const char* s) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24;
}

class Bytes {
 public:
  std::vector<std::uint8_t> v;
  void U8(std::uint8_t x) { v.push_back(x); }
  void U16(std::uint16_t x) { U8(x & 0xFF); U8(x >> 8); }
  void U32(std::uint32_t x) { U16(x & 0xFFFF); U16(x >> 16); }
  void Tag(const char* s) { v.insert(v.end(), s, s + 4); }
  void Raw(const std::vector<std::uint8_t>& b) { v.insert(v.end(), b.begin(), b.end()); }
  // Starts a chunk or list; returns the position of its size field.
  std::size_t Open(const char* tag) { Tag(tag); U32(0); return v.size() - 4; }
  void Close(std::size_t sizePos) {
    const std::uint32_t n = static_cast<std::uint32_t>(v.size() - sizePos - 4);
    for (int i = 0; i < 4; ++i) v[sizePos + i] = static_cast<std::uint8_t>(n >> (8 * i));
    if (v.size() % 2) U8(0);
  }
};

inline std::vector<std::uint8_t> MakeAvi(const AviContent& s) {
  const std::uint32_t frames = static_cast<std::uint32_t>(s.Frames.size());
  std::uint32_t largest = 0;
  for (const auto& f : s.Frames) largest = std::max<std::uint32_t>(largest, f.size());
  Bytes b;
  const std::size_t riff = b.Open("RIFF");
  b.Tag("AVI ");
  const std::size_t hdrl = b.Open("LIST");
  b.Tag("hdrl");
  const std::size_t avih = b.Open("avih");
  b.U32(40000);  // microseconds a frame
  b.U32(0);
  b.U32(0);
  b.U32(s.WriteIndex ? 0x10 : 0);
  b.U32(frames);
  b.U32(0);
  b.U32(1);
  b.U32(largest);
  b.U32(static_cast<std::uint32_t>(s.Width));
  b.U32(static_cast<std::uint32_t>(s.Height));
  for (int i = 0; i < 4; ++i) b.U32(0);
  b.Close(avih);
  const std::size_t strl = b.Open("LIST");
  b.Tag("strl");
  const std::size_t strh = b.Open("strh");
  b.Tag(s.StreamType.c_str());
  b.U32(s.Compression);
  b.U32(0);
  b.U16(0);
  b.U16(0);
  b.U32(0);
  b.U32(1);   // scale
  b.U32(25);  // rate
  b.U32(s.Start);
  b.U32(frames);
  b.U32(largest);
  b.U32(0xFFFFFFFF);
  b.U32(0);
  b.U16(0);
  b.U16(0);
  b.U16(static_cast<std::uint16_t>(s.Width));
  b.U16(static_cast<std::uint16_t>(s.Height));
  b.Close(strh);
  const std::size_t strf = b.Open("strf");
  b.U32(40);
  b.U32(static_cast<std::uint32_t>(s.Width));
  b.U32(static_cast<std::uint32_t>(s.NegativeHeight ? -s.Height : s.Height));
  b.U16(1);
  b.U16(static_cast<std::uint16_t>(s.BitCount));
  b.U32(s.Compression);
  b.U32(largest);
  b.U32(0);
  b.U32(0);
  b.U32(static_cast<std::uint32_t>(s.Palette.size() / 4));
  b.U32(0);
  b.Raw(s.Palette);
  b.Close(strf);
  b.Close(strl);
  b.Close(hdrl);
  const std::size_t movi = b.Open("LIST");
  const std::size_t moviTag = b.v.size();
  b.Tag("movi");
  std::vector<std::pair<std::uint32_t, std::uint32_t>> index;  // offset, size
  for (const auto& f : s.Frames) {
    index.emplace_back(static_cast<std::uint32_t>(b.v.size() - moviTag), f.size());
    const std::size_t c = b.Open("00db");
    b.Raw(f);
    b.Close(c);
  }
  b.Close(movi);
  if (s.WriteIndex) {
    const std::size_t idx = b.Open("idx1");
    for (const auto& [offset, size] : index) {
      b.Tag("00db");
      b.U32(0x10);
      b.U32(offset);
      b.U32(size);
    }
    b.Close(idx);
  }
  b.Close(riff);
  return b.v;
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace lumivane::testavi
