#pragma once
// Settings that point at a test's FTP server.

#include "PyFtpServer.h"
#include "app/core/Settings.h"

namespace vd::test {

inline app::TSettings SettingsFor(const TPyFtpServer& Server, const QString& BaseURL) {
    app::TSettings s;
    s.Host = QString::fromStdString(Server.Host());
    s.Port = Server.Port();
    s.Username = QString::fromStdString(Server.User());
    s.Password = QString::fromStdString(Server.Password());
    s.BaseURL = BaseURL;
    return s;
}

}  // namespace vd::test
