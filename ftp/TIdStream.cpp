#include "TIdStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "EIdException.h"

namespace vd::ftp {

size_t TIdMemoryStream::Read(char* buffer, size_t n) {
    if (FPosition >= FData.size()) return 0;
    const size_t count = std::min<uint64_t>(n, FData.size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, count);
    FPosition += count;
    return count;
}

void TIdMemoryStream::Write(const char* buffer, size_t n) {
    if (FPosition + n > FLimit) {
        throw EIdFTPDownloadTooLarge("Der Download ist größer als " +
                                     std::to_string(FLimit / (1024 * 1024)) +
                                     " MiB und wurde abgebrochen.");
    }
    if (FPosition + n > FData.size()) FData.resize(FPosition + n);
    std::memcpy(FData.data() + FPosition, buffer, n);
    FPosition += n;
}

void TIdMemoryStream::SetSize(uint64_t size) {
    FData.resize(size);
    FPosition = std::min<uint64_t>(FPosition, size);
}

TIdFileStream::TIdFileStream(const std::string& path, TMode mode) : FPath(path) {
    if (mode == TMode::fmOpenRead) {
        FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (FHandle < 0)
            throw EFOpenError("Datei " + path + " kann nicht geöffnet werden. " +
                              std::strerror(errno));
    } else {
        FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (FHandle < 0)
            throw EFCreateError("Datei \"" + path + "\" kann nicht erstellt werden. " +
                                std::strerror(errno));
    }
}

TIdFileStream::~TIdFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

[[noreturn]] static void RaiseFileError(const std::string& path, const char* what) {
    throw EIdException(std::string(what) + " " + path + ": " + std::strerror(errno));
}

size_t TIdFileStream::Read(char* buffer, size_t n) {
    for (;;) {
        const ssize_t r = ::read(FHandle, buffer, n);
        if (r >= 0) return static_cast<size_t>(r);
        if (errno != EINTR) RaiseFileError(FPath, "Lesefehler");
    }
}

void TIdFileStream::Write(const char* buffer, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(FHandle, buffer, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            RaiseFileError(FPath, "Schreibfehler");
        }
        buffer += w;
        n -= static_cast<size_t>(w);
    }
}

uint64_t TIdFileStream::Position() const {
    const off_t p = ::lseek(FHandle, 0, SEEK_CUR);
    return p < 0 ? 0 : static_cast<uint64_t>(p);
}

void TIdFileStream::SetPosition(uint64_t position) {
    if (::lseek(FHandle, static_cast<off_t>(position), SEEK_SET) < 0)
        RaiseFileError(FPath, "Positionierungsfehler");
}

uint64_t TIdFileStream::Size() const {
    struct stat st {};
    return ::fstat(FHandle, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

void TIdFileStream::SetSize(uint64_t size) {
    if (::ftruncate(FHandle, static_cast<off_t>(size)) != 0) RaiseFileError(FPath, "Schreibfehler");
}

}  // namespace vd::ftp
