#pragma once

#include <stdexcept>

namespace vd::app {

/// Raised when a local file cannot be opened, created or written; the
/// message names the file.
class EFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vd::app
