// The INI profile reader on whatever a settings file holds. The input's
// first line names the section and key to look up; the rest is the file.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ProfileFile.h"
#include "platform/Utf8.h"

namespace {

const std::string& ScratchFile() {
    static const std::string path = [] {
        char name[] = "/tmp/vd-fuzz-profile-XXXXXX";
        const int fd = ::mkstemp(name);
        ::close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string input(reinterpret_cast<const char*>(Data), Size);
    const size_t end = input.find('\n');
    const std::string query = input.substr(0, end);
    const std::string file = end == std::string::npos ? std::string() : input.substr(end + 1);
    const size_t dot = query.find('.');
    const std::string section = query.substr(0, dot);
    const std::string key = dot == std::string::npos ? std::string() : query.substr(dot + 1);
    if (FILE* out = std::fopen(ScratchFile().c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }
    const std::string value =
        vd::platform::GetPrivateProfileString(section, key, "", ScratchFile());
    // A value is one line of at most 2047 UTF-16 units.
    if (value.find_first_of("\r\n") != std::string::npos) std::abort();
    if (vd::platform::Utf8ToUtf16(value).size() > vd::platform::kProfileValueMaxUnits) std::abort();
    return 0;
}
