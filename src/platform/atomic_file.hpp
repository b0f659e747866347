// Writing a file so that a failed write never destroys what was there: the bytes go to a
// temporary file beside the target, which is renamed into place only when complete.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace lumivane::platform {

// Writes `bytes` to `path` atomically. Throws lumivane::Error naming the file on failure;
// the temporary file is removed and an existing target is left untouched.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file; returns false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace lumivane::platform
