// The command channel's line reader and reply parser on whatever a server
// sends: every reply either parses or fails with the client's own error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "EIdException.h"
#include "MemoryIOHandler.h"
#include "TIdFTP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace vd::ftp;
    test::TMemoryIOHandler handler;
    // The first byte splits the rest into two reads, so that lines and
    // replies broken across reads are covered too.
    const std::string bytes(reinterpret_cast<const char*>(Data), Size);
    const size_t split = Size ? static_cast<unsigned char>(bytes[0]) % (Size) : 0;
    handler.Chunks = {bytes.substr(Size ? 1 : 0, split), bytes.substr(Size ? 1 + split : 0)};
    handler.SetReadTimeout(1);
    TIdFTP client;
    client.SetIOHandler(&handler);
    handler.Open();
    try {
        for (int reply = 0; reply < 64; ++reply) client.GetInternalResponse();
    } catch (const EIdException&) {
        // the client's own answer to a broken or closed stream
    }
    client.SetIOHandler(nullptr);
    return 0;
}
