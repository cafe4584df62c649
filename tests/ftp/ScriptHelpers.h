// Scripted cases are written in named parts (a greeting, a login, the
// replies after it) joined in order: a fake server's script with Cat, the
// lines a client is expected to send, or a scripted TLS peer's steps, with
// Lines. A client is pointed at its server with PointAt, so a case names
// only what it changes of the usual host, login and read timeout.
//
//   Cat({kGreet, kPassword, {C(), S("221 Bye")}})
//   Lines({login, kAfterLoginCmds, {"QUIT"}})
//   PointAt(ftp, server.Port(), {.Host = "localhost", .User = user});
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "FakeFtpServer.h"
#include "TIdFTP.h"
#include "TestUtil.h"

namespace vd::ftp::test {

using TLines = std::vector<std::string>;

template <class T>
std::vector<T> Concat(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

inline TScript Cat(std::initializer_list<TScript> parts) { return Concat(parts); }
inline TLines Lines(std::initializer_list<TLines> parts) { return Concat(parts); }

// The login most scripted cases start with, in the parts some of them
// swap: the greeting, HOST refused, USER and PASS accepted, FEAT refused,
// then TYPE I, SYST and TYPE I. The client sends kLoginCommands lines in it.
inline const TScript kGreet = {S("220 Fake FTP ready")};
inline const TScript kHostUnknown = {C(), S("500 HOST?")};
inline const TScript kUserAndPass = {C(), S("331 Password"), C(), S("230 In")};
inline const TScript kNoFeat = {C(), S("500 no FEAT")};
inline const TScript kTypeSystType = {C(), S("200 I"), C(), S("215 UNIX"), C(), S("200 I")};
inline const TScript kLogin = Cat({kGreet, kHostUnknown, kUserAndPass, kNoFeat, kTypeSystType});
constexpr size_t kLoginCommands = 7;

// Where and as whom a client logs in, and how long it waits for a reply.
struct TLogin {
    std::string Host = "127.0.0.1";
    std::string User = "user";
    std::string Password = "pw";
    int ReadTimeout = kReplyWaitMs;
};
// For cases that set no user name or password (the client sends them empty).
inline const TLogin kNoCredentials = {.User = {}, .Password = {}};

// The client set up for the server on this port; not connected yet.
inline void PointAt(TIdFTP& ftp, uint16_t port, const TLogin& login = {}) {
    ftp.SetHost(login.Host);
    ftp.SetPort(port);
    ftp.SetUsername(login.User);
    ftp.SetPassword(login.Password);
    ftp.SetReadTimeout(login.ReadTimeout);
}

}  // namespace vd::ftp::test
