// An I/O handler over memory: each scripted chunk arrives by one raw read;
// writes are collected. Reads and writes can be made to fail at the Nth call.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "TIdIOHandler.h"

namespace vd::ftp::test {

class TMemoryIOHandler final : public TIdIOHandler {
  public:
    std::deque<std::string> Chunks;  // what the peer sends, one chunk per read
    bool CloseAtEnd = true;          // after the last chunk: closed (else silence)
    int FailReadAt = 0;              // 1-based read call that fails; 0: none
    int FailWriteAt = 0;             // 1-based write call that fails; 0: none
    int FailError = 10054;
    std::string Written;
    std::vector<bool> MoreHints;  // the 'more' hint of each write
    int Reads = 0;
    int Writes = 0;
    bool RawClosed = false;
    std::string PeerAddress = "127.0.0.1";
    std::function<void(const std::string& host, uint16_t port)> OnOpen;

  protected:
    void RawOpen() override {
        RawClosed = false;
        SetPeerIP(PeerAddress);
        if (OnOpen) OnOpen(Host(), Port());
    }
    void RawClose() noexcept override { RawClosed = true; }
    bool RawWaitReadable(int) override {
        return !Chunks.empty() || CloseAtEnd || (FailReadAt && Reads + 1 == FailReadAt);
    }
    long RawRead(char* buffer, size_t n, int& error) override {
        if (++Reads == FailReadAt) {
            error = FailError;
            return -1;
        }
        if (Chunks.empty()) return 0;
        std::string& chunk = Chunks.front();
        const size_t count = std::min(n, chunk.size());
        std::memcpy(buffer, chunk.data(), count);
        chunk.erase(0, count);
        if (chunk.empty()) Chunks.pop_front();
        return static_cast<long>(count);
    }
    long RawWrite(const char* buffer, size_t n, bool more, int& error) override {
        MoreHints.push_back(more);
        if (++Writes == FailWriteAt) {
            error = FailError;
            return -1;
        }
        Written.append(buffer, n);
        return static_cast<long>(n);
    }
};

}  // namespace vd::ftp::test
