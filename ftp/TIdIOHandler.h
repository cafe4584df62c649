// The I/O handler: owns one connection, buffers what arrives, reads lines
// with a timeout and a length limit, and passes every byte past the
// intercept. Only the raw byte operations are virtual; everything else is
// here and works the same over a socket, TLS, or the in-memory handler of the
// tests.
//
// Text lines are UTF-8 both ways, from the first command on: names on Linux
// servers and in browsers are UTF-8, and many servers that store them so
// never list RFC 2640's UTF8 feature. Received bytes that are not UTF-8 read
// as U+FFFD, whatever the peer sends.
#pragma once

#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "IdText.h"

namespace vd::ftp {

class TIdConnectionIntercept;
class TIdStream;

enum class TIdMaxLineAction { maException, maSplit };

// Timeout value meaning "the handler's ReadTimeout".
constexpr int IdTimeoutDefault = -2;
// ReadTimeout value meaning "wait without limit" (as does 0).
constexpr int IdTimeoutInfinite = -1;

class TIdIOHandler {
  public:
    using TProgress = std::function<void(uint64_t done, uint64_t total)>;

    TIdIOHandler() = default;
    TIdIOHandler(const TIdIOHandler&) = delete;
    TIdIOHandler& operator=(const TIdIOHandler&) = delete;
    virtual ~TIdIOHandler() = default;

    // --- settings ---
    const std::string& Host() const noexcept { return FHost; }
    void SetHost(std::string host) { FHost = std::move(host); }
    uint16_t Port() const noexcept { return FPort; }
    void SetPort(uint16_t port) noexcept { FPort = port; }
    int ConnectTimeout() const noexcept { return FConnectTimeout; }
    void SetConnectTimeout(int ms) noexcept { FConnectTimeout = ms; }
    int ReadTimeout() const noexcept { return FReadTimeout; }
    void SetReadTimeout(int ms) noexcept { FReadTimeout = ms; }
    // A point in time after which reads with the default timeout wait no
    // more: a whole reply gets a deadline, since each wait alone restarts
    // the read timeout and a server sending a byte now and then would keep
    // the reply open for ever. Cleared with ClearReadDeadline.
    void SetReadDeadline(std::chrono::steady_clock::time_point deadline) noexcept {
        FDeadline = deadline;
    }
    void ClearReadDeadline() noexcept { FDeadline.reset(); }
    int RecvBufferSize() const noexcept { return FRecvBufferSize; }
    void SetRecvBufferSize(int n) noexcept { FRecvBufferSize = n > 0 ? n : 1; }
    int SendBufferSize() const noexcept { return FSendBufferSize; }
    void SetSendBufferSize(int n) noexcept { FSendBufferSize = n > 0 ? n : 1; }
    int MaxLineLength() const noexcept { return FMaxLineLength; }
    void SetMaxLineLength(int n) noexcept { FMaxLineLength = n; }
    TIdMaxLineAction MaxLineAction() const noexcept { return FMaxLineAction; }
    void SetMaxLineAction(TIdMaxLineAction a) noexcept { FMaxLineAction = a; }
    // Not owned.
    TIdConnectionIntercept* Intercept() const noexcept { return FIntercept; }
    void SetIntercept(TIdConnectionIntercept* intercept) noexcept { FIntercept = intercept; }

    // --- state ---
    bool Opened() const noexcept { return FOpened; }
    bool ClosedGracefully() const noexcept { return FClosedGracefully; }
    // The peer's numeric address after Open.
    const std::string& PeerIP() const noexcept { return FPeerIP; }
    size_t InputBufferSize() const noexcept { return FInput.size() - FInputStart; }
    std::string_view InputBuffer() const noexcept {
        return std::string_view(FInput).substr(FInputStart);
    }
    void DiscardInput() noexcept;
    bool ReadLnTimedOut() const noexcept { return FReadLnTimedOut; }

    // --- operations ---
    // Clears the buffer, connects, then tells the intercept.
    void Open();
    // Closes the connection and tells the intercept; the buffer keeps its bytes.
    void Close();
    // Polls without waiting: open and not closed by the peer, or unread bytes.
    bool Connected();
    bool Readable(int ms) { return RawWaitReadable(ms); }

    // more: further bytes follow at once, so the transport may hold these
    // back to fill its segments (the last piece of a stream goes without).
    void Write(std::string_view bytes, bool more = false);
    // Writes the text as UTF-8 (a rejected byte of it as U+FFFD) with CR LF,
    // in one piece; refuses it when those bytes hold CR, LF or NUL. A Telnet
    // IAC byte (0xFF) in the line would go doubled (RFC 854).
    void WriteLn(std::string_view text);

    // Receives once, waiting up to timeoutMs (IdTimeoutDefault: ReadTimeout).
    // Returns the number of bytes added, 0 on a timeout, -1 when the
    // connection closed.
    int ReadFromSource(bool raiseIfDisconnected, int timeoutMs = IdTimeoutDefault,
                       bool raiseOnTimeout = true);
    bool CheckForDataOnSource(int ms);
    void CheckForDisconnect(bool raiseIfDisconnected = true, bool ignoreBuffer = false);

    // A line without its LF (and one CR before it), as UTF-8 with every
    // rejected byte as U+FFFD. On a timeout: empty with ReadLnTimedOut() set.
    std::string ReadLn();
    // The first line that is not empty after trimming. *budget, when given,
    // is the number of bytes this call may consume; EIdMaxReplySizeExceeded
    // when more are needed.
    std::string ReadLnWait(int maxAttempts = INT_MAX, size_t* budget = nullptr);

    // Writes the stream from its position to its end in pieces of at most
    // SendBufferSize bytes; progress is called after each piece.
    void WriteStream(TIdStream& stream, const TProgress& progress = {});
    // Reads until the peer closes, writing into the stream. The peer closing,
    // or an abort, reset or shutdown, ends the data normally.
    void ReadStream(TIdStream& stream);

  protected:
    // The raw byte operations. Errors are Windows socket numbers.
    // RawOpen connects to Host():Port() and sets the peer address.
    virtual void RawOpen() = 0;
    virtual void RawClose() noexcept = 0;
    // ms < 0: no limit. True when bytes (or the peer's close) can be read.
    virtual bool RawWaitReadable(int ms) = 0;
    // > 0 bytes read, 0 the peer closed, -1 failed with error set.
    virtual long RawRead(char* buffer, size_t n, int& error) = 0;
    // > 0 bytes written, 0 the peer closed, -1 failed with error set. more:
    // a hint that further bytes follow at once.
    virtual long RawWrite(const char* buffer, size_t n, bool more, int& error) = 0;

    void SetPeerIP(std::string ip) { FPeerIP = std::move(ip); }
    // How long, in ms, the raw read now running may still wait for further
    // bytes (< 0: without limit): the timeout its ReadFromSource was given,
    // and never beyond the whole reply's deadline. A transport that reads
    // in units larger than what arrives at once (a TLS record) waits no
    // longer than this between the pieces of one unit.
    int ReadWaitLeft() const noexcept { return EffectiveTimeout(FReadWait); }
    // Reports a failed raw read or write, with the error RawRead or RawWrite
    // set. The plain handler raises the socket error; a TLS handler reports
    // its own failures.
    [[noreturn]] virtual void RaiseIOError(int error);

  private:
    void WriteRaw(const char* data, size_t n, bool more);
    [[noreturn]] void RaiseWriteError(long result, int error);
    int EffectiveTimeout(int timeoutMs) const noexcept;
    std::string TakeLine(size_t lfPos);
    void CompactInput() noexcept;

    std::string FHost;
    uint16_t FPort = 0;
    int FConnectTimeout = 0;
    int FReadTimeout = IdTimeoutInfinite;
    std::optional<std::chrono::steady_clock::time_point> FDeadline;
    int FReadWait = IdTimeoutDefault;  // the timeout of the read now running
    int FRecvBufferSize = 32768;
    int FSendBufferSize = 32768;
    int FMaxLineLength = 16384;
    TIdMaxLineAction FMaxLineAction = TIdMaxLineAction::maException;
    TIdConnectionIntercept* FIntercept = nullptr;

    bool FOpened = false;
    bool FClosedGracefully = false;
    bool FReadLnTimedOut = false;
    std::string FPeerIP;
    std::string FInput;  // received bytes; consumed ones before FInputStart
    size_t FInputStart = 0;
    size_t FScanFrom = 0;  // where the LF search goes on (absolute index)
    size_t FConsumed = 0;  // bytes taken by line reads, for reply budgets
    std::string FReceiveChunk;
};

}  // namespace vd::ftp
