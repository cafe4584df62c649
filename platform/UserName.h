#pragma once

#include <string>

namespace vd::platform {

/// The name of the effective user, at most 254 bytes; empty when unknown.
std::string UserName();

}  // namespace vd::platform
