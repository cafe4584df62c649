// A scripted FTP server on 127.0.0.1 for exact replies, closes and delays.
// Each accepted connection runs the next script; every line the client
// sends is recorded (sessions after the first are preceded by "--").
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vd::ftp::test {

struct TStep {
    enum class TKind {
        Send,         // text + CR LF
        Raw,          // bytes as they are
        RawBytewise,  // bytes one write at a time, a short pause between
        Recv,         // read one command line
        Sleep,        // pause (ms)
        Close,        // close the control connection
        SendClose,    // bytes and the close in one segment
        Pasv,         // listen for data; send text with {p1},{p2} filled in
        PasvRefused,  // announce a port on which nothing listens
        DataAccept,
        DataSend,
        DataRecvAll,  // read until the client closes the data connection
        DataClose,
    };
    TKind Kind;
    std::string Text;
    int Ms = 0;
};

inline TStep S(std::string text) { return {TStep::TKind::Send, std::move(text)}; }
inline TStep Raw(std::string bytes) { return {TStep::TKind::Raw, std::move(bytes)}; }
inline TStep Trickle(std::string bytes) { return {TStep::TKind::RawBytewise, std::move(bytes)}; }
inline TStep C() { return {TStep::TKind::Recv, {}}; }
inline TStep Sleep(int ms) { return {TStep::TKind::Sleep, {}, ms}; }
inline TStep Close() { return {TStep::TKind::Close, {}}; }
inline TStep SendClose(std::string text) {
    return {TStep::TKind::SendClose, std::move(text) + "\r\n"};
}
inline TStep Pasv(std::string text = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})") {
    return {TStep::TKind::Pasv, std::move(text)};
}
inline TStep PasvRefused() { return {TStep::TKind::PasvRefused, {}}; }
inline TStep DataAccept() { return {TStep::TKind::DataAccept, {}}; }
inline TStep DataSend(std::string bytes) { return {TStep::TKind::DataSend, std::move(bytes)}; }
inline TStep DataRecvAll() { return {TStep::TKind::DataRecvAll, {}}; }
inline TStep DataClose() { return {TStep::TKind::DataClose, {}}; }

using TScript = std::vector<TStep>;

class TFakeFtpServer {
  public:
    explicit TFakeFtpServer(std::vector<TScript> sessions);
    TFakeFtpServer(const TFakeFtpServer&) = delete;
    TFakeFtpServer& operator=(const TFakeFtpServer&) = delete;
    ~TFakeFtpServer();

    uint16_t Port() const noexcept { return FPort; }
    // Waits until every session has ended (client closed or script done and
    // the client closed), then returns the recorded lines.
    std::vector<std::string> Commands();
    std::string DataReceived();
    int SessionsAccepted();

  private:
    void Run();
    void RunSession(int fd, const TScript& script);

    std::vector<TScript> FSessions;
    int FListen = -1;
    uint16_t FPort = 0;
    std::thread FThread;
    std::mutex FMutex;
    std::vector<std::string> FCommands;
    std::string FData;
    int FAccepted = 0;
};

}  // namespace vd::ftp::test
