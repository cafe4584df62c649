#pragma once
// Replacing a whole file so that a reader sees the old content or the new,
// never half of it: a failed or interrupted write leaves the old file.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace vd::platform {

/// Writes `Content` to a temporary file beside `Path` with the permission
/// bits `Mode`, then renames it over `Path`. 0 on success, else the errno
/// of the step that failed (the temporary file is then gone).
int ReplaceFileAtomically(const std::string& Path, std::string_view Content, mode_t Mode);

}  // namespace vd::platform
