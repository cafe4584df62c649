#pragma once

#include <string>

namespace vd::platform {

/// The program's own path as it was started: `Argv0` made absolute against
/// the working directory, or looked up in $PATH when it holds no "/".
/// Symbolic links are deliberately not resolved: a link named
/// "velodrop-shortener" must keep its name, since the name selects the mode.
std::string AbsoluteProgramPath(const std::string& Argv0);

}  // namespace vd::platform
