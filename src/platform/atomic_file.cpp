#include "platform/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/error.hpp"

namespace lumivane::platform {

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temp = path + ".tmpXXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    throw Error("Cannot write \"" + path + "\": " + std::strerror(errno));
  }
  const char* p = bytes.data();
  size_t left = bytes.size();
  int err = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (err == 0 && ::fchmod(fd, 0644) != 0) err = errno;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0) {
    if (std::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  }
  if (err != 0) {
    std::remove(temp.c_str());
    throw Error("Cannot write \"" + path + "\": " + std::strerror(err));
  }
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

}  // namespace lumivane::platform
