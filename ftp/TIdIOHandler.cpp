#include "TIdIOHandler.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "EIdException.h"
#include "SocketErrors.h"
#include "TIdIntercept.h"
#include "TIdStream.h"
#include "platform/Utf8.h"

namespace vd::ftp {

void TIdIOHandler::DiscardInput() noexcept {
    FInput.clear();
    FInputStart = 0;
    FScanFrom = 0;
}

void TIdIOHandler::Open() {
    DiscardInput();
    FClosedGracefully = false;
    if (FOpened) Close();
    RawOpen();
    FOpened = true;
    if (FIntercept) FIntercept->Connect(this);
}

void TIdIOHandler::Close() {
    if (!FOpened) return;
    RawClose();
    FOpened = false;
    if (FIntercept) FIntercept->Disconnect();
}

bool TIdIOHandler::Connected() {
    if (FOpened && !FClosedGracefully) ReadFromSource(false, 0, false);
    return (FOpened && !FClosedGracefully) || InputBufferSize() > 0;
}

int TIdIOHandler::EffectiveTimeout(int timeoutMs) const noexcept {
    if (timeoutMs != IdTimeoutDefault) return timeoutMs;
    const int timeout = FReadTimeout <= 0 ? -1 : FReadTimeout;
    if (!FDeadline) return timeout;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          *FDeadline - std::chrono::steady_clock::now())
                          .count();
    const int remaining = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    return timeout < 0 ? remaining : std::min(timeout, remaining);
}

int TIdIOHandler::ReadFromSource(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout) {
    if (!FOpened) {
        if (raiseIfDisconnected && InputBufferSize() == 0) {
            if (FClosedGracefully) throw EIdConnClosedGracefully();
            throw EIdNotConnected();
        }
        return -1;
    }
    FReadWait = timeoutMs;
    if (!RawWaitReadable(EffectiveTimeout(timeoutMs))) {
        if (raiseOnTimeout) throw EIdReadTimeout();
        return 0;
    }
    FReceiveChunk.resize(static_cast<size_t>(FRecvBufferSize));
    int error = 0;
    const long n = RawRead(FReceiveChunk.data(), FReceiveChunk.size(), error);
    if (n > 0) {
        if (!FIntercept) {
            FInput.append(FReceiveChunk.data(), static_cast<size_t>(n));
            return static_cast<int>(n);
        }
        std::string bytes(FReceiveChunk.data(), static_cast<size_t>(n));
        FIntercept->Receive(bytes);
        FInput += bytes;
        return static_cast<int>(bytes.size());
    }
    if (n < 0 && error == kWSAETIMEDOUT) {
        if (raiseOnTimeout) throw EIdReadTimeout();
        return 0;
    }
    FClosedGracefully = true;
    Close();
    if (raiseIfDisconnected && InputBufferSize() == 0) {
        if (n == 0) throw EIdConnClosedGracefully();
        RaiseIOError(error);
    }
    return -1;
}

bool TIdIOHandler::CheckForDataOnSource(int ms) {
    if (!FOpened) return false;
    return ReadFromSource(false, ms, false) > 0;
}

void TIdIOHandler::CheckForDisconnect(bool raiseIfDisconnected, bool ignoreBuffer) {
    if (!FClosedGracefully && FOpened) return;
    Close();
    if (raiseIfDisconnected && (ignoreBuffer || InputBufferSize() == 0)) {
        if (FClosedGracefully) throw EIdConnClosedGracefully();
        throw EIdNotConnected();
    }
}

void TIdIOHandler::RaiseWriteError(long result, int error) {
    if (result == 0) {
        FClosedGracefully = true;
        Close();
        throw EIdConnClosedGracefully();
    }
    if (error != kWSAETIMEDOUT) Close();
    RaiseIOError(error);
    RaiseSocketError(error);  // not reached: RaiseIOError raises
}

void TIdIOHandler::RaiseIOError(int error) { RaiseSocketError(error); }

void TIdIOHandler::WriteRaw(const char* data, size_t n, bool more) {
    while (n > 0) {
        int error = 0;
        const long w = RawWrite(data, n, more, error);
        if (w <= 0) RaiseWriteError(w, error);
        data += w;
        n -= static_cast<size_t>(w);
    }
}

void TIdIOHandler::Write(std::string_view bytes, bool more) {
    if (FClosedGracefully) throw EIdConnClosedGracefully();
    if (!FOpened) throw EIdNotConnected();
    if (!FIntercept) {
        WriteRaw(bytes.data(), bytes.size(), more);
        return;
    }
    std::string copy(bytes);
    FIntercept->Send(copy);
    WriteRaw(copy.data(), copy.size(), more);
}

void TIdIOHandler::WriteLn(std::string_view text) {
    std::string line = platform::ToValidUtf8(text);
    if (HasCtrlChars(line)) throw EIdCommandHasControlChars();
    // UTF-8 never holds the byte 0xFF, but the line is a Telnet line
    // whatever its encoding: an IAC in it goes doubled.
    line = DoubleIAC(line);
    line += "\r\n";
    Write(line);
}

void TIdIOHandler::CompactInput() noexcept {
    if (FInputStart == FInput.size()) {
        DiscardInput();
    } else if (FInputStart > 65536 && FInputStart > FInput.size() / 2) {
        FInput.erase(0, FInputStart);
        FScanFrom -= FInputStart;
        FInputStart = 0;
    }
}

std::string TIdIOHandler::TakeLine(size_t lfPos) {
    size_t end = lfPos;
    if (end > FInputStart && FInput[end - 1] == '\r') --end;
    std::string line = FInput.substr(FInputStart, end - FInputStart);
    FConsumed += lfPos + 1 - FInputStart;
    FInputStart = lfPos + 1;
    FScanFrom = FInputStart;
    CompactInput();
    return platform::ToValidUtf8(line);
}

std::string TIdIOHandler::ReadLn() {
    FReadLnTimedOut = false;
    const auto limit = static_cast<size_t>(FMaxLineLength);
    for (;;) {
        const size_t lf = FInput.find('\n', std::max(FScanFrom, FInputStart));
        size_t lineLength = (lf == std::string::npos ? FInput.size() : lf) - FInputStart;
        const size_t lineEnd = FInputStart + lineLength;
        if (lineLength > 0 && FInput[lineEnd - 1] == '\r') --lineLength;
        if (FMaxLineLength > 0 && lineLength > limit) {
            if (FMaxLineAction == TIdMaxLineAction::maException)
                throw EIdReadLnMaxLineLengthExceeded();
            std::string part = FInput.substr(FInputStart, limit);
            FInputStart += limit;
            FConsumed += limit;
            FScanFrom = FInputStart;
            CompactInput();
            return platform::ToValidUtf8(part);
        }
        if (lf != std::string::npos) return TakeLine(lf);
        FScanFrom = FInput.size();
        if (!FOpened) {
            if (FClosedGracefully) throw EIdConnClosedGracefully();
            throw EIdNotConnected();
        }
        if (ReadFromSource(true, IdTimeoutDefault, false) == 0) {
            FReadLnTimedOut = true;
            return {};
        }
    }
}

std::string TIdIOHandler::ReadLnWait(int maxAttempts, size_t* budget) {
    const size_t start = FConsumed;
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        std::string line = ReadLn();
        if (FReadLnTimedOut) throw EIdReadTimeout();
        if (budget) {
            const size_t used = FConsumed - start;
            if (used > *budget) throw EIdMaxReplySizeExceeded();
        }
        line = Trim(line);
        if (!line.empty()) {
            if (budget) *budget -= FConsumed - start;
            return line;
        }
    }
    throw EIdReadLnWaitMaxAttemptsExceeded();
}

void TIdIOHandler::WriteStream(TIdStream& stream, const TProgress& progress) {
    const uint64_t start = stream.Position();
    const uint64_t size = stream.Size();
    const uint64_t total = size > start ? size - start : 0;
    // One piece is read ahead, so each write knows whether more follow.
    std::vector<char> piece(static_cast<size_t>(FSendBufferSize)), next(piece.size());
    uint64_t done = 0;
    size_t n = stream.Read(piece.data(), piece.size());
    while (n > 0) {
        const size_t following = stream.Read(next.data(), next.size());
        Write(std::string_view(piece.data(), n), following > 0);
        done += n;
        if (progress) progress(done, total);
        piece.swap(next);
        n = following;
    }
}

void TIdIOHandler::ReadStream(TIdStream& stream) {
    auto flush = [&] {
        if (InputBufferSize() == 0) return;
        stream.Write(FInput.data() + FInputStart, InputBufferSize());
        DiscardInput();
    };
    flush();
    for (;;) {
        try {
            if (ReadFromSource(true, IdTimeoutDefault, true) < 0) break;
        } catch (const EIdConnClosedGracefully&) {
            break;
        } catch (const EIdSocketError& e) {
            const int code = e.LastError();
            if (code != kWSAECONNABORTED && code != kWSAECONNRESET && code != kWSAESHUTDOWN) throw;
            break;
        }
        flush();
    }
    flush();
}

}  // namespace vd::ftp
