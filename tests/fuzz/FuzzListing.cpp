// A name listing's lines from whatever bytes the data connection brings.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FtpParsing.h"
#include "platform/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    for (const std::string& line : vd::ftp::SplitListing(bytes)) {
        // Lines are valid UTF-8 without line breaks, whatever came in.
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        if (vd::platform::ToValidUtf8(line) != line) std::abort();
    }
    return 0;
}
