// Scripted cases are written in named parts (a greeting, a login, the
// replies after it) joined in order: a fake server's script with Cat, the
// lines a client is expected to send, or a scripted TLS peer's steps, with
// Lines.
//
//   Cat({kGreet, kPassword, {C(), S("221 Bye")}})
//   Lines({login, kAfterLoginCmds, {"QUIT"}})
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "FakeFtpServer.h"

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

}  // namespace vd::ftp::test
