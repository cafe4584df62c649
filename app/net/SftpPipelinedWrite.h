#pragma once
// Uploads at the speed of the line. libssh 0.10 waits for the answer to
// each write before it sends the next, which leaves both ends idle half the
// time (asynchronous writes came with libssh 0.11, which Debian 12 lacks).
// So the write requests of an upload are sent here, on the SFTP session's
// own channel, with several in flight, and their status replies are read
// here too. libssh's own calls never run meanwhile, so nothing else reads
// that channel.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>

// libssh's open file (`sftp_file`); its fields are read only in the .cpp,
// so that the files including this one do not depend on libssh's headers.
struct sftp_file_struct;

namespace vd::app {

/// Fills the buffer with up to `Size` bytes of what is uploaded; returns
/// how many, 0 at the end. Raises for a local read error.
using TUploadSource = std::function<std::size_t(char* Buffer, std::size_t Size)>;

/// The confirmed bytes so far, after each confirmation.
using TUploadProgress = std::function<void(std::uint64_t Confirmed)>;

/// Why an upload stopped, for the caller's message.
enum class TWriteOutcome {
    Done,
    Refused,         // the server answered a write with an error: sftp_get_error tells
    ConnectionLost,  // the channel failed: ssh_get_error tells
    TimedOut,        // an answer did not come whole within the timeout
    BrokenReply,     // an answer that is no status of a write in flight
};

struct TWriteResult {
    /// Done when every answer came and each was OK.
    TWriteOutcome Outcome = TWriteOutcome::Done;
    /// What `Source` or `Progress` raised; the upload stopped there, and
    /// Outcome tells whether the answers still due were read after it.
    std::exception_ptr Stopped;

    /// Whether the session is still in step: every answer due was read.
    bool InStep() const noexcept {
        return Outcome == TWriteOutcome::Done || Outcome == TWriteOutcome::Refused;
    }
};

/// Writes what `Source` gives to `File` from its current offset, in pieces
/// of `Piece` bytes with at most `InFlight` bytes unconfirmed, and waits
/// for every answer, each within `TimeoutMs` however slowly its bytes come.
/// After a refusal or a stop every answer still due is read, so the session
/// stays usable when InStep() says so; otherwise it is out of step and can
/// only be dropped.
TWriteResult WritePipelined(sftp_file_struct* File, const TUploadSource& Source, std::size_t Piece,
                            std::size_t InFlight, int TimeoutMs, const TUploadProgress& Progress);

}  // namespace vd::app
