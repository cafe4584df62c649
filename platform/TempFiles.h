#pragma once

#include <string>

namespace vd::platform {

/// Creates a new empty file `Folder` + `Prefix` + a hexadecimal number +
/// ".TMP", never one that exists already, and returns its path; empty text
/// when no such file can be created.
std::string GetTempFileName(const std::string& Folder, const std::string& Prefix);

}  // namespace vd::platform
