#include "app/net/SftpPipelinedWrite.h"

#include <libssh/libssh.h>

#include <cstring>
#include <deque>
#include <vector>

namespace vd::app {
namespace {

constexpr std::uint8_t kFxpWrite = 6;     // SSH_FXP_WRITE
constexpr std::uint8_t kFxpStatus = 101;  // SSH_FXP_STATUS
// A status reply: id, code, message and language tag. Servers send a short
// text; anything near this is no status.
constexpr std::uint32_t kMaxStatusLength = 64 * 1024;

void PutUint32(unsigned char* At, std::uint32_t Value) {
    At[0] = static_cast<unsigned char>(Value >> 24);
    At[1] = static_cast<unsigned char>(Value >> 16);
    At[2] = static_cast<unsigned char>(Value >> 8);
    At[3] = static_cast<unsigned char>(Value);
}

std::uint32_t GetUint32(const unsigned char* At) {
    return (std::uint32_t{At[0]} << 24) | (std::uint32_t{At[1]} << 16) |
           (std::uint32_t{At[2]} << 8) | std::uint32_t{At[3]};
}

// Reads exactly `Size` bytes; false when the channel fails, ends or stays
// quiet for `TimeoutMs`.
bool ReadExactly(ssh_channel Channel, unsigned char* Into, std::uint32_t Size, int TimeoutMs) {
    while (Size > 0) {
        const int n = ssh_channel_read_timeout(Channel, Into, Size, 0, TimeoutMs);
        if (n <= 0) return false;
        Into += n;
        Size -= static_cast<std::uint32_t>(n);
    }
    return true;
}

bool WriteAll(ssh_channel Channel, const unsigned char* From, std::size_t Size) {
    while (Size > 0) {
        const int n = ssh_channel_write(Channel, From, static_cast<std::uint32_t>(Size));
        if (n <= 0) return false;
        From += n;
        Size -= static_cast<std::size_t>(n);
    }
    return true;
}

struct TInFlight {
    std::uint32_t Id;
    std::size_t Bytes;
};

class TPipelinedWriter {
  public:
    TPipelinedWriter(sftp_file File, int TimeoutMs)
        : FFile(File), FChannel(File->sftp->channel), FTimeoutMs(TimeoutMs) {}

    // Sends one write of the `Size` bytes at `Packet` + the header's size;
    // the header is filled in here.
    bool Send(unsigned char* Packet, std::size_t HeaderSize, std::size_t Size) {
        const std::uint32_t handleLength =
            static_cast<std::uint32_t>(ssh_string_len(FFile->handle));
        const std::uint32_t id = ++FFile->sftp->id_counter;  // libssh's own numbering
        unsigned char* at = Packet;
        PutUint32(at, static_cast<std::uint32_t>(HeaderSize - 4 + Size));
        at[4] = kFxpWrite;
        PutUint32(at + 5, id);
        PutUint32(at + 9, handleLength);
        std::memcpy(at + 13, ssh_string_data(FFile->handle), handleLength);
        at += 13 + handleLength;
        PutUint32(at, static_cast<std::uint32_t>(FFile->offset >> 32));
        PutUint32(at + 4, static_cast<std::uint32_t>(FFile->offset));
        PutUint32(at + 8, static_cast<std::uint32_t>(Size));
        if (!WriteAll(FChannel, Packet, HeaderSize + Size)) return false;
        FFile->offset += Size;
        FPending.push_back({id, Size});
        FPendingBytes += Size;
        return true;
    }

    // Reads one status reply and checks it answers a write in flight.
    TWriteOutcome Confirm(std::size_t& Bytes) {
        unsigned char head[9];  // length, type, id
        if (!ReadExactly(FChannel, head, sizeof head, FTimeoutMs))
            return TWriteOutcome::ConnectionLost;
        const std::uint32_t length = GetUint32(head);
        if (length < 9 || length > kMaxStatusLength || head[4] != kFxpStatus)
            return TWriteOutcome::BrokenReply;
        std::vector<unsigned char> rest(length - 5);  // code, message, language tag
        if (!ReadExactly(FChannel, rest.data(), static_cast<std::uint32_t>(rest.size()),
                         FTimeoutMs))
            return TWriteOutcome::ConnectionLost;
        const std::uint32_t id = GetUint32(head + 5);
        std::size_t i = 0;
        while (i < FPending.size() && FPending[i].Id != id) ++i;
        if (i == FPending.size()) return TWriteOutcome::BrokenReply;
        Bytes = FPending[i].Bytes;
        FPendingBytes -= Bytes;
        FPending.erase(FPending.begin() + static_cast<std::ptrdiff_t>(i));
        const std::uint32_t code = GetUint32(rest.data());
        if (code == SSH_FX_OK) return TWriteOutcome::Done;
        FFile->sftp->errnum = static_cast<int>(code);  // what sftp_get_error reports
        return TWriteOutcome::Refused;
    }

    std::size_t PendingBytes() const noexcept { return FPendingBytes; }
    bool Idle() const noexcept { return FPending.empty(); }

  private:
    sftp_file FFile;
    ssh_channel FChannel;
    int FTimeoutMs;
    std::deque<TInFlight> FPending;
    std::size_t FPendingBytes = 0;
};

// Reads the answers still due after a failure, so that libssh finds the
// channel as it left it. Refusals among them change nothing.
TWriteOutcome ReadAnswersDue(TPipelinedWriter& Writer) {
    while (!Writer.Idle()) {
        std::size_t bytes = 0;
        const TWriteOutcome next = Writer.Confirm(bytes);
        if (next == TWriteOutcome::ConnectionLost || next == TWriteOutcome::BrokenReply)
            return next;
    }
    return TWriteOutcome::Done;
}

}  // namespace

TWriteOutcome WritePipelined(sftp_file File, const TUploadSource& Source, std::size_t Piece,
                             std::size_t InFlight, int TimeoutMs, const TUploadProgress& Progress) {
    TPipelinedWriter writer(File, TimeoutMs);
    // length, type, id, handle (length and bytes), offset, data length
    const std::size_t header = 4 + 1 + 4 + 4 + ssh_string_len(File->handle) + 8 + 4;
    std::vector<unsigned char> packet(header + Piece);
    std::uint64_t confirmed = 0;
    TWriteOutcome outcome = TWriteOutcome::Done;
    bool more = true;
    try {
        while (outcome == TWriteOutcome::Done && (more || !writer.Idle())) {
            if (more && writer.PendingBytes() + Piece <= InFlight) {
                const std::size_t n =
                    Source(reinterpret_cast<char*>(packet.data() + header), Piece);
                if (n == 0)
                    more = false;
                else if (!writer.Send(packet.data(), header, n))
                    outcome = TWriteOutcome::ConnectionLost;
                continue;
            }
            std::size_t bytes = 0;
            outcome = writer.Confirm(bytes);
            if (outcome == TWriteOutcome::Done) {
                confirmed += bytes;
                if (Progress) Progress(confirmed);
            }
        }
    } catch (...) {
        // The source's error is the one to report, whatever the answers say.
        ReadAnswersDue(writer);
        throw;
    }
    if (outcome == TWriteOutcome::Refused) {
        const TWriteOutcome rest = ReadAnswersDue(writer);
        if (rest == TWriteOutcome::ConnectionLost || rest == TWriteOutcome::BrokenReply)
            return rest;
    }
    return outcome;
}

}  // namespace vd::app
