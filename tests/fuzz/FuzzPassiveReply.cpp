// The passive reply's address and port from whatever text a server sends.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "EIdException.h"
#include "FtpParsing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    try {
        const vd::ftp::TPassiveEndpoint endpoint = vd::ftp::ParsePassiveReply(text);
        (void)vd::ftp::IsPrivateAddress(endpoint.Address);
    } catch (const vd::ftp::EIdException&) {
    }
    return 0;
}
