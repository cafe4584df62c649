#include "app/net/SftpPipelinedWrite.h"

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

// Every read or change of libssh's own state is in the five functions below
// this check, on libssh 0.10's structs:
//   sftp_file_struct::sftp, ::handle and ::offset (the file's session, its
//     handle, and where the next write goes),
//   sftp_session_struct::channel, ::id_counter and ::errnum (the channel the
//     requests go on, libssh's request numbering, what sftp_get_error tells).
// libssh 0.11 writes with several requests in flight itself
// (sftp_aio_begin_write and sftp_aio_wait_write), which replaces this whole
// file; other versions may lay these structs out differently.
#if !defined(LIBSSH_VERSION_INT) || LIBSSH_VERSION_INT < SSH_VERSION_INT(0, 10, 0) || \
    LIBSSH_VERSION_INT >= SSH_VERSION_INT(0, 11, 0)
#error \
    "app/net/SftpPipelinedWrite.cpp reads fields of libssh 0.10's structs: with this libssh, replace it by sftp_aio_begin_write/sftp_aio_wait_write (libssh 0.11) or check those fields again"
#endif

namespace vd::app {
namespace {

ssh_channel ChannelOf(sftp_file File) { return File->sftp->channel; }

ssh_string HandleOf(sftp_file File) { return File->handle; }

// The next request's id in libssh's own numbering, so that the ids of
// libssh's later requests on the session stay unique.
std::uint32_t NextRequestId(sftp_file File) { return ++File->sftp->id_counter; }

// Where the next write goes; libssh's later writes and seeks go on from it.
std::uint64_t& OffsetOf(sftp_file File) { return File->offset; }

// What sftp_get_error reports after a refused write.
void SetSftpError(sftp_file File, std::uint32_t Status) {
    File->sftp->errnum = static_cast<int>(Status);
}

constexpr std::uint8_t kFxpWrite = 6;     // SSH_FXP_WRITE
constexpr std::uint8_t kFxpStatus = 101;  // SSH_FXP_STATUS
// A status reply: id, code, message and language tag. Servers send a short
// text; anything near this is no status.
constexpr std::uint32_t kMaxStatusLength = 64 * 1024;

constexpr std::size_t kByteSize = 1;
constexpr std::size_t kUint32Size = 4;
constexpr std::size_t kUint64Size = 8;

// Where the fields of an SSH_FXP_WRITE request lie. A packet's length
// counts the bytes after it. The handle's length is the server's choice,
// so the fields after the handle move with it.
class TWriteLayout {
  public:
    static constexpr std::size_t Length = 0;                       // uint32
    static constexpr std::size_t Type = Length + kUint32Size;      // byte
    static constexpr std::size_t Id = Type + kByteSize;            // uint32
    static constexpr std::size_t HandleLength = Id + kUint32Size;  // uint32
    static constexpr std::size_t Handle = HandleLength + kUint32Size;

    explicit TWriteLayout(std::size_t HandleSize) : FHandleSize(HandleSize) {}

    std::size_t Offset() const noexcept { return Handle + FHandleSize; }        // uint64
    std::size_t DataLength() const noexcept { return Offset() + kUint64Size; }  // uint32
    // Where the data starts: the size of everything before it.
    std::size_t Data() const noexcept { return DataLength() + kUint32Size; }

  private:
    std::size_t FHandleSize;
};

// Where the fields of an SSH_FXP_STATUS reply lie; a message and a language
// tag follow the code, and nobody reads them here.
struct TStatusLayout {
    static constexpr std::size_t Length = 0;                   // uint32
    static constexpr std::size_t Type = Length + kUint32Size;  // byte
    static constexpr std::size_t Id = Type + kByteSize;        // uint32
    static constexpr std::size_t Code = Id + kUint32Size;      // uint32
    // Read first, to know the type and how much follows.
    static constexpr std::size_t Head = Code;
    // The least a length can be: type, id and code.
    static constexpr std::size_t MinLength = Code + kUint32Size - Type;
};

void PutUint32(unsigned char* At, std::uint32_t Value) {
    At[0] = static_cast<unsigned char>(Value >> 24);
    At[1] = static_cast<unsigned char>(Value >> 16);
    At[2] = static_cast<unsigned char>(Value >> 8);
    At[3] = static_cast<unsigned char>(Value);
}

void PutUint64(unsigned char* At, std::uint64_t Value) {
    PutUint32(At, static_cast<std::uint32_t>(Value >> 32));
    PutUint32(At + kUint32Size, static_cast<std::uint32_t>(Value));
}

std::uint32_t GetUint32(const unsigned char* At) {
    return (std::uint32_t{At[0]} << 24) | (std::uint32_t{At[1]} << 16) |
           (std::uint32_t{At[2]} << 8) | std::uint32_t{At[3]};
}

using TClock = std::chrono::steady_clock;

// Reads exactly `Size` bytes by `Deadline`: a server that trickles its
// answer a byte at a time gets no more time than one that sends nothing.
TWriteOutcome ReadExactly(ssh_channel Channel, unsigned char* Into, std::uint32_t Size,
                          TClock::time_point Deadline) {
    while (Size > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
        if (left <= 0) return TWriteOutcome::TimedOut;
        const int n = ssh_channel_read_timeout(Channel, Into, Size, 0, static_cast<int>(left));
        if (n < 0 || (n == 0 && ssh_channel_is_eof(Channel))) return TWriteOutcome::ConnectionLost;
        Into += n;
        Size -= static_cast<std::uint32_t>(n);
    }
    return TWriteOutcome::Done;
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
        : FFile(File),
          FChannel(ChannelOf(File)),
          FLayout(ssh_string_len(HandleOf(File))),
          FTimeoutMs(TimeoutMs) {}

    // The bytes of a write request before its data.
    std::size_t HeaderSize() const noexcept { return FLayout.Data(); }

    // Sends one write of the `Size` bytes at `Packet` + HeaderSize(); the
    // header is filled in here.
    bool Send(unsigned char* Packet, std::size_t Size) {
        const ssh_string handle = HandleOf(FFile);
        const std::uint32_t handleLength = static_cast<std::uint32_t>(ssh_string_len(handle));
        const std::uint32_t id = NextRequestId(FFile);
        std::uint64_t& offset = OffsetOf(FFile);
        const std::size_t packetSize = FLayout.Data() + Size;
        PutUint32(Packet + TWriteLayout::Length,
                  static_cast<std::uint32_t>(packetSize - TWriteLayout::Type));
        Packet[TWriteLayout::Type] = kFxpWrite;
        PutUint32(Packet + TWriteLayout::Id, id);
        PutUint32(Packet + TWriteLayout::HandleLength, handleLength);
        std::memcpy(Packet + TWriteLayout::Handle, ssh_string_data(handle), handleLength);
        PutUint64(Packet + FLayout.Offset(), offset);
        PutUint32(Packet + FLayout.DataLength(), static_cast<std::uint32_t>(Size));
        if (!WriteAll(FChannel, Packet, packetSize)) return false;
        offset += Size;
        FPending.push_back({id, Size});
        FPendingBytes += Size;
        return true;
    }

    // Reads one status reply and checks it answers a write in flight.
    TWriteOutcome Confirm(std::size_t& Bytes) {
        const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(FTimeoutMs);
        unsigned char head[TStatusLayout::Head];
        if (const TWriteOutcome read = ReadExactly(FChannel, head, sizeof head, deadline);
            read != TWriteOutcome::Done)
            return read;
        const std::uint32_t length = GetUint32(head + TStatusLayout::Length);
        if (length < TStatusLayout::MinLength || length > kMaxStatusLength ||
            head[TStatusLayout::Type] != kFxpStatus)
            return TWriteOutcome::BrokenReply;
        std::vector<unsigned char> reply(TStatusLayout::Type + length);
        std::memcpy(reply.data(), head, sizeof head);
        if (const TWriteOutcome read =
                ReadExactly(FChannel, reply.data() + sizeof head,
                            static_cast<std::uint32_t>(reply.size() - sizeof head), deadline);
            read != TWriteOutcome::Done)
            return read;
        const std::uint32_t id = GetUint32(reply.data() + TStatusLayout::Id);
        std::size_t i = 0;
        while (i < FPending.size() && FPending[i].Id != id) ++i;
        if (i == FPending.size()) return TWriteOutcome::BrokenReply;
        Bytes = FPending[i].Bytes;
        FPendingBytes -= Bytes;
        FPending.erase(FPending.begin() + static_cast<std::ptrdiff_t>(i));
        const std::uint32_t code = GetUint32(reply.data() + TStatusLayout::Code);
        if (code == SSH_FX_OK) return TWriteOutcome::Done;
        SetSftpError(FFile, code);
        return TWriteOutcome::Refused;
    }

    std::size_t PendingBytes() const noexcept { return FPendingBytes; }
    bool Idle() const noexcept { return FPending.empty(); }

  private:
    sftp_file FFile;
    ssh_channel FChannel;
    TWriteLayout FLayout;
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
        if (next != TWriteOutcome::Done && next != TWriteOutcome::Refused) return next;
    }
    return TWriteOutcome::Done;
}

}  // namespace

TWriteResult WritePipelined(sftp_file File, const TUploadSource& Source, std::size_t Piece,
                            std::size_t InFlight, int TimeoutMs, const TUploadProgress& Progress) {
    TPipelinedWriter writer(File, TimeoutMs);
    const std::size_t header = writer.HeaderSize();
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
                else if (!writer.Send(packet.data(), n))
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
        // The stop is the one to report, whatever the answers say; whether
        // they all came decides whether the session can go on.
        return {ReadAnswersDue(writer), std::current_exception()};
    }
    if (outcome == TWriteOutcome::Refused) {
        const TWriteOutcome rest = ReadAnswersDue(writer);
        if (rest != TWriteOutcome::Done) return {rest, {}};
    }
    return {outcome, {}};
}

}  // namespace vd::app
