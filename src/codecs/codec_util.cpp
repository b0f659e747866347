#include "codecs/codec_util.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/stat.h>

namespace lumivane::codecs {

void ThrowReadError(const std::string& path, std::string_view reason) {
  throw Error("Cannot read \"" + path + "\": " + std::string(reason));
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowReadError(path, std::strerror(errno));
  std::vector<std::uint8_t> bytes;
  struct stat info {};
  if (::fstat(fileno(file.get()), &info) == 0 && info.st_size > 0) {
    bytes.reserve(static_cast<size_t>(info.st_size));
  }
  std::uint8_t chunk[65536];
  for (;;) {
    size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < sizeof chunk) break;
  }
  if (std::ferror(file.get())) ThrowReadError(path, std::strerror(errno ? errno : EIO));
  return bytes;
}

}  // namespace lumivane::codecs
