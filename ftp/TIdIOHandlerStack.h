// The plain socket I/O handler on POSIX TCP sockets (IPv4).
#pragma once

#include "TIdIOHandler.h"

namespace vd::ftp {

enum class TIdIPVersion { Id_IPv4, Id_IPv6 };

// One TCP socket. Move-free: a handler lives where it was made; the socket
// is closed by Close or at destruction.
class TIdIOHandlerSocket : public TIdIOHandler {
  public:
    ~TIdIOHandlerSocket() override;
    int Handle() const noexcept { return FHandle; }
    TIdIPVersion IPVersion() const noexcept { return FIPVersion; }
    void SetIPVersion(TIdIPVersion v) noexcept { FIPVersion = v; }
    // Nagle's algorithm (on by default). Bulk data connections switch it
    // off: on loopback, where a segment may hold 64 KiB, every 32 KiB write
    // would otherwise wait for the peer's acknowledgement.
    bool UseNagle() const noexcept { return FUseNagle; }
    void SetUseNagle(bool v) noexcept { FUseNagle = v; }

  protected:
    void RawOpen() override;
    void RawClose() noexcept override;
    bool RawWaitReadable(int ms) override;
    long RawRead(char* buffer, size_t n, int& error) override;
    long RawWrite(const char* buffer, size_t n, bool more, int& error) override;

  private:
    void ConnectSocket(const void* address, unsigned addressLength);
    void LimitBlockedWrites() noexcept;
    int FHandle = -1;
    TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
    bool FUseNagle = true;
};

// The plain handler: reads and writes the socket directly.
class TIdIOHandlerStack : public TIdIOHandlerSocket {};

// Resolves a host name or IPv4 literal to a dotted IPv4 address; fails with
// the socket error 11001 when the name is unknown.
std::string ResolveIPv4(const std::string& host);

}  // namespace vd::ftp
