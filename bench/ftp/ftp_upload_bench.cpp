// Uploads one file with our FTP client, the whole session from connect to
// QUIT, for the comparisons in upload_vs_curl.sh, tls_vs_plain.sh and
// ftps_vs_curl.sh.
//   ftp_upload_bench HOST PORT USER PASSWORD LOCAL_FILE REMOTE_NAME [tls|tls-private]
// With "tls" the control connection switches to TLS 1.2 (explicit TLS,
// required) as the application configures it: data in clear ("PROT C")
// unless the server demands encryption. "tls-private" asks for encrypted
// data ("PROT P") from the start.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "TIdFTP.h"

int main(int argc, char** argv) {
    const bool priv = argc == 8 && std::strcmp(argv[7], "tls-private") == 0;
    const bool tls = priv || (argc == 8 && std::strcmp(argv[7], "tls") == 0);
    if (argc != 7 && !tls) {
        std::fprintf(stderr,
                     "usage: %s HOST PORT USER PASSWORD LOCAL_FILE REMOTE_NAME [tls|tls-private]\n",
                     argv[0]);
        return 2;
    }
    try {
        vd::ftp::TIdSSLIOHandlerSocketOpenSSL handler;
        handler.SSLOptions().SetMethod(vd::ftp::TIdSSLVersion::sslvTLSv1_2);
        handler.SSLOptions().SetSSLVersions({vd::ftp::TIdSSLVersion::sslvTLSv1_2});
        vd::ftp::TIdFTP ftp;
        if (tls) {
            ftp.SetIOHandler(&handler);
            ftp.SetUseTLS(vd::ftp::TIdUseTLS::utUseRequireTLS);
            if (priv) ftp.SetDataPortProtection(vd::ftp::TIdFTPDataPortSecurity::ftpdpsPrivate);
        }
        ftp.SetHost(argv[1]);
        ftp.SetPort(static_cast<uint16_t>(std::atoi(argv[2])));
        ftp.SetUsername(argv[3]);
        ftp.SetPassword(argv[4]);
        ftp.Connect();
        ftp.Put(argv[5], argv[6]);
        ftp.Disconnect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "FTP: %s\n", e.what());
        return 1;
    }
    return 0;
}
