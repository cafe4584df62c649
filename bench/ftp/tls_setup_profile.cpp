// Where a TLS session's fixed cost goes before its handshake, in a fresh
// process as each upload is: loading OpenSSL (both libraries and their
// initialisation, which reads the system's openssl.cnf), the first context
// (OpenSSL builds its algorithm tables then) and a second one (what every
// later session pays). Printed in milliseconds, one line; tls_vs_plain.sh
// runs it several times beside its session timings.
#include <chrono>
#include <cstdio>

#include "TIdSSLIOHandlerSocketOpenSSL.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main() {
    vd::ftp::TIdSSLOptions options;
    options.SetMethod(vd::ftp::TIdSSLVersion::sslvTLSv1_2);
    options.SetSSLVersions({vd::ftp::TIdSSLVersion::sslvTLSv1_2});
    auto& library = vd::ftp::TIdOpenSSLLibrary::Default();
    const auto start = Clock::now();
    if (!library.Load()) {
        std::fprintf(stderr, "OpenSSL could not be loaded\n");
        return 1;
    }
    const auto loaded = Clock::now();
    {
        vd::ftp::TIdSSLContext first(library, options, nullptr);
        first.InitContext(vd::ftp::TIdSSLCtxMode::sslCtxClient);
    }
    const auto firstContext = Clock::now();
    {
        vd::ftp::TIdSSLContext second(library, options, nullptr);
        second.InitContext(vd::ftp::TIdSSLCtxMode::sslCtxClient);
    }
    const auto secondContext = Clock::now();
    std::printf("load %.2f first-context %.2f second-context %.2f\n", Milliseconds(start, loaded),
                Milliseconds(loaded, firstContext), Milliseconds(firstContext, secondContext));
    return 0;
}
