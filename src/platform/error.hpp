// The one error type of the program: readers, writers and stages throw it with the
// message text the user is shown.
#pragma once
#include <stdexcept>
#include <string>

namespace lumivane {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace lumivane
