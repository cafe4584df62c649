#include "platform/ProgramPath.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace vd::platform {
namespace {

std::string WorkingDirectory() {
    std::string buffer(4096, '\0');
    if (!::getcwd(buffer.data(), buffer.size())) return {};
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::string MakeAbsolute(const std::string& Path) {
    if (!Path.empty() && Path.front() == '/') return Path;
    std::string relative = Path;
    while (relative.starts_with("./")) relative.erase(0, 2);
    return WorkingDirectory() + "/" + relative;
}

std::string FindInPath(const std::string& Name) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + Name;
        if (::access(candidate.c_str(), X_OK) == 0) return MakeAbsolute(candidate);
    }
    return {};
}

}  // namespace

std::string AbsoluteProgramPath(const std::string& Argv0) {
    if (Argv0.find('/') != std::string::npos) return MakeAbsolute(Argv0);
    if (std::string found = FindInPath(Argv0); !found.empty()) return found;
    return MakeAbsolute(Argv0);
}

}  // namespace vd::platform
