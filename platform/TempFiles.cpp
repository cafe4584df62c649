#include "platform/TempFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/SeedClock.h"

namespace vd::platform {

std::string GetTempFileName(const std::string& Folder, const std::string& Prefix) {
    std::string folder = Folder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    // Four hexadecimal digits as on Windows, starting at a clock-derived
    // number so that two programs rarely probe the same names.
    const unsigned start = SeedClock() & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%X", (start + i) & 0xFFFF);
        const std::string path = folder + Prefix + number + ".TMP";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

}  // namespace vd::platform
