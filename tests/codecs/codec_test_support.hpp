// Shared pieces of the codec tests: a scratch folder, small file builders for TIFF and PNG
// fixtures, running the independent command-line tools, and the shared test data folder.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace lumivane::codecs::testing {

using Bytes = std::vector<std::uint8_t>;

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("lumivane_codecs_" + std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static Bytes Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path dir_;
};

// Runs a shell command; returns its standard output and error, and its exit status.
inline std::string Run(const std::string& command, int* status = nullptr) {
  std::string output;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  return output;
}

inline bool HaveTool(const std::string& name) {
  int status = 0;
  Run("command -v " + name, &status);
  return status == 0;
}

// The shared folder of real files, or "" (the test then skips).
inline std::string TestData() {
  const char* d = std::getenv("LUMIVANE_TESTDATA");
  return d && *d ? std::string(d) : std::string();
}

inline void Put(Bytes& out, std::uint32_t v, int bytes, bool bigEndian) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
  }
}

// Builds a one-directory TIFF file: image data first (at offset 8), then the directory,
// then the values that do not fit into their entries.
struct TiffBuilder {
  bool bigEndian = false;
  Bytes data;  // placed at offset 8
  struct Field {
    std::uint16_t type;
    std::vector<std::uint32_t> values;
  };
  std::map<std::uint16_t, Field> fields;

  TiffBuilder& Set(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    fields[tag] = {type, std::move(values)};
    return *this;
  }
  TiffBuilder& Short(std::uint16_t tag, std::uint32_t v) { return Set(tag, 3, {v}); }
  TiffBuilder& Long(std::uint16_t tag, std::uint32_t v) { return Set(tag, 4, {v}); }
  // A single-strip image of `pixels` (file byte order) with the usual tags.
  static TiffBuilder Image(std::uint32_t width, std::uint32_t height, std::uint32_t samples,
                           std::uint32_t bits, std::uint32_t photometric, Bytes pixels, bool bigEndian = false) {
    TiffBuilder t;
    t.bigEndian = bigEndian;
    t.data = std::move(pixels);
    t.Short(256, width).Short(257, height).Short(259, 1).Short(262, photometric).Short(277, samples);
    t.Set(258, 3, std::vector<std::uint32_t>(samples, bits));
    t.Long(273, 8).Short(278, height).Long(279, static_cast<std::uint32_t>(t.data.size()));
    return t;
  }

  Bytes Build() const {
    Bytes out;
    out.push_back(bigEndian ? 'M' : 'I');
    out.push_back(bigEndian ? 'M' : 'I');
    Put(out, 42, 2, bigEndian);
    const std::uint32_t dirPos = static_cast<std::uint32_t>(8 + data.size());
    Put(out, dirPos, 4, bigEndian);
    out.insert(out.end(), data.begin(), data.end());
    std::uint32_t extraPos = dirPos + 2 + 12 * static_cast<std::uint32_t>(fields.size()) + 4;
    Bytes extra;
    Put(out, static_cast<std::uint32_t>(fields.size()), 2, bigEndian);
    for (const auto& [tag, f] : fields) {
      const int size = f.type == 3 ? 2 : f.type == 1 ? 1 : 4;
      Put(out, tag, 2, bigEndian);
      Put(out, f.type, 2, bigEndian);
      Put(out, static_cast<std::uint32_t>(f.values.size()), 4, bigEndian);
      Bytes packed;
      for (std::uint32_t v : f.values) Put(packed, v, size, bigEndian);
      if (packed.size() <= 4) {
        packed.resize(4, 0);
        out.insert(out.end(), packed.begin(), packed.end());
      } else {
        Put(out, extraPos + static_cast<std::uint32_t>(extra.size()), 4, bigEndian);
        extra.insert(extra.end(), packed.begin(), packed.end());
      }
    }
    Put(out, 0, 4, bigEndian);
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
  }
};

// PNG files from raw scan lines (each with its filter byte): chunks with correct CRCs.
inline void PutChunk(Bytes& file, const std::string& type, const Bytes& payload) {
  Put(file, static_cast<std::uint32_t>(payload.size()), 4, true);
  const size_t start = file.size();
  file.insert(file.end(), type.begin(), type.end());
  file.insert(file.end(), payload.begin(), payload.end());
  const uLong crc = crc32(0L, file.data() + start, static_cast<uInt>(file.size() - start));
  Put(file, static_cast<std::uint32_t>(crc), 4, true);
}

inline Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

inline Bytes MakePng(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                     const Bytes& scanLines, const Bytes& palette = {}, const Bytes& transparency = {}) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Put(ihdr, width, 4, true);
  Put(ihdr, height, 4, true);
  ihdr.insert(ihdr.end(), {static_cast<std::uint8_t>(bitDepth), static_cast<std::uint8_t>(colourType), 0, 0, 0});
  PutChunk(file, "IHDR", ihdr);
  if (!palette.empty()) PutChunk(file, "PLTE", palette);
  if (!transparency.empty()) PutChunk(file, "tRNS", transparency);
  PutChunk(file, "IDAT", Deflate(scanLines));
  PutChunk(file, "IEND", {});
  return file;
}

}  // namespace lumivane::codecs::testing
