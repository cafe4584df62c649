#pragma once
// A window over a host directory in memory, for tests of what the window
// adds to the flows.

#include <QStringList>
#include <memory>

#include "app/gui/WindowTestFixture.h"
#include "app/settings/SettingsFile.h"
#include "fakes/FakeLinkChecker.h"
#include "fakes/FakeRemoteFolder.h"

namespace vd::app {

using test::TFakeRemoteFolder;

class WindowFlow : public WindowTest {
  protected:
    /// A window over the fake folder, with `S` saved as its settings file.
    std::unique_ptr<TVelodrop1> MakeWindowOn(const TSettings& S, QStringList Arguments = {},
                                             const char* SettingsName = "velodrop_settings.ini") {
        std::filesystem::create_directories(FConfig.File("Velodrop"));
        WriteSettingsFile(QString::fromStdString(ConfigFile(SettingsName)), S);
        return MakeWindowOnFakeFolder(std::move(Arguments));
    }

    /// A window over the fake folder, with the configuration folder as the
    /// test left it.
    std::unique_ptr<TVelodrop1> MakeWindowOnFakeFolder(QStringList Arguments = {}) {
        auto folder = std::make_unique<TFakeRemoteFolder>();
        FFolder = folder.get();
        Arguments.prepend(QStringLiteral("/usr/bin/velodrop"));
        // Connection tests find their link; the web is not what these tests are about.
        return std::make_unique<TVelodrop1>(Arguments, std::move(folder),
                                            std::make_unique<test::TFakeLinkChecker>());
    }

    static TSettings Settings(std::int32_t Timeout = 0) {
        TSettings s;
        s.BaseURL = QStringLiteral("https://x.org/d");
        s.Timeout = Timeout;
        return s;
    }

    /// A shown window that removes its uploads at exit, after sharing
    /// "a.txt" and "b.txt".
    std::unique_ptr<TVelodrop1> WindowWithTwoShares() {
        TSettings s = Settings();
        s.RemoveFileAtExit = true;
        auto w = MakeWindowOn(s);
        w->show();
        w->WMDropFiles({LocalFile("a.txt", "a")});
        w->WMDropFiles({LocalFile("b.txt", "b")});
        return w;
    }

    QString LocalFile(const std::string& Name, const std::string& Bytes) const {
        const std::string path = FFiles.File(Name);
        vd::test::WriteFileBytes(path, Bytes);
        return QString::fromStdString(path);
    }

    static QStringList Messages() {
        QStringList texts;
        for (const auto& m : TModalSeam::ShownMessages()) texts << m.Text;
        return texts;
    }

    TFakeRemoteFolder* FFolder = nullptr;
    vd::test::TTempDir FFiles;
};

}  // namespace vd::app
