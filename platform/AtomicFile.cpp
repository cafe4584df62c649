#include "platform/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vd::platform {
namespace {

// Every byte, across short writes and interruptions; 0 or the errno.
int WriteAll(int Fd, std::string_view Content) {
    for (std::size_t done = 0; done < Content.size();) {
        const ssize_t n = ::write(Fd, Content.data() + done, Content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? EIO : errno;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

int ReplaceFileAtomically(const std::string& Path, std::string_view Content, mode_t Mode) {
    // In the same folder, so that the rename stays on one file system.
    std::string temp = Path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno;
    int error = ::fchmod(fd, Mode) == 0 ? 0 : errno;
    if (error == 0) error = WriteAll(fd, Content);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), Path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
    return error;
}

}  // namespace vd::platform
