// velodrop_demo_settings FILE HOST PORT USER PASSWORD BASEURL [tls]: writes a
// settings file for the demo, password scrambled as the program expects;
// with "tls" the connection asks for TLS.

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "app/settings/SettingsFile.h"

int main(int argc, char** argv) {
    const bool tls = argc == 8 && std::strcmp(argv[7], "tls") == 0;
    if (argc != 7 && !tls) {
        std::fprintf(stderr, "usage: %s FILE HOST PORT USER PASSWORD BASEURL [tls]\n", argv[0]);
        return 2;
    }
    vd::app::TSettings s;
    s.Host = QString::fromLocal8Bit(argv[2]);
    s.Port = static_cast<std::uint16_t>(std::atoi(argv[3]));
    s.Username = QString::fromLocal8Bit(argv[4]);
    s.Password = QString::fromLocal8Bit(argv[5]);
    s.BaseURL = QString::fromLocal8Bit(argv[6]);
    s.CopyLinkToClipboard = true;
    s.UseTLS = tls;
    try {
        vd::app::WriteSettingsFile(QString::fromLocal8Bit(argv[1]), s);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
