#pragma once
// A clean configuration folder and locale for each window test.

#include <gtest/gtest.h>

#include <QStringList>
#include <cstdlib>
#include <memory>

#include "app/gui/ModalSeam.h"
#include "app/gui/TVelodrop1.h"
#include "common/TempDir.h"

namespace vd::app {

/// The control that Tab moves to from `From`.
inline QWidget* NextTabStop(QWidget* From) {
    QWidget* w = From->nextInFocusChain();
    while (w != From && !(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
    return w;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TModalSeam::BeginTesting();
        ::setenv("XDG_CONFIG_HOME", FConfig.Path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", FData.Path().c_str(), 1);
        // No keyring: a test never writes to the keyring of whoever runs it.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velodrop-test-bus", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        ::setenv("LANG", "C", 1);
    }

    std::string ConfigFile(const std::string& Name) const {
        return FConfig.File("Velodrop/" + Name);
    }
    std::string SettingsPath() const { return ConfigFile("velodrop_settings.ini"); }

    void WriteSettings(const std::string& Content) const {
        std::filesystem::create_directories(FConfig.File("Velodrop"));
        test::WriteFileBytes(SettingsPath(), Content);
    }

    std::unique_ptr<TVelodrop1> MakeWindow(QStringList Arguments = {}) const {
        Arguments.prepend(QStringLiteral("/usr/bin/velodrop"));
        return std::make_unique<TVelodrop1>(Arguments);
    }

    test::TTempDir FConfig;
    test::TTempDir FData;  // the record of shares
};

}  // namespace vd::app
