#include <gtest/gtest.h>

#include "app/core/ModeChoice.h"

namespace vd::app {
namespace {

TEST(ModeChoice, ArgumentsAndProgramPathDecideTheMode) {
    const QString plain = QStringLiteral("/usr/bin/velodrop");
    const QString link = QStringLiteral("/usr/bin/velodrop-shortener");
    const QString folder = QStringLiteral("/opt/My Shortener/bin/velodrop");
    const struct {
        QStringList Arguments;
        TRunMode Mode;
        QString File;
    } cases[] = {
        {{plain}, TRunMode::rmShare, {}},
        {{plain, QStringLiteral("a.txt")}, TRunMode::rmShare, QStringLiteral("a.txt")},
        {{plain, QStringLiteral(" a.txt ")}, TRunMode::rmShare, QStringLiteral(" a.txt ")},
        {{plain, QStringLiteral("a.txt"), QStringLiteral("b.txt")},
         TRunMode::rmShare,
         QStringLiteral("a.txt")},
        {{plain, QStringLiteral("-Shortener")}, TRunMode::rmShare, QStringLiteral("-Shortener")},
        {{plain, QStringLiteral("-shortener")}, TRunMode::rmShortener, {}},
        {{plain, QStringLiteral("-shortener"), QStringLiteral("b.txt")}, TRunMode::rmShortener, {}},
        {{link}, TRunMode::rmShare, {}},
        {{link, QStringLiteral("a.txt")}, TRunMode::rmShortener, {}},
        {{folder, QStringLiteral("x")}, TRunMode::rmShortener, {}},
        {{folder}, TRunMode::rmShare, {}},
    };
    for (const auto& c : cases) {
        const TModeChoice choice = ChooseRunMode(c.Arguments);
        const std::string label = c.Arguments.join(u'|').toStdString();
        EXPECT_EQ(choice.RunMode, c.Mode) << label;
        EXPECT_EQ(choice.CurrentFile, c.File) << label;
        const bool shortener = c.Mode == TRunMode::rmShortener;
        EXPECT_EQ(choice.Minimize, shortener) << label;
        EXPECT_EQ(choice.BaseName, shortener ? QStringLiteral("shortener_settings")
                                             : QStringLiteral("velodrop_settings"))
            << label;
    }
}

TEST(ModeChoice, FilesLiveInTheVelodropFolder) {
    EXPECT_EQ(
        SettingsFilePath(QStringLiteral("/home/u/.config"), QStringLiteral("velodrop_settings")),
        QStringLiteral("/home/u/.config/Velodrop/velodrop_settings.ini"));
    EXPECT_EQ(LogFilePath(QStringLiteral("/home/u/.config")),
              QStringLiteral("/home/u/.config/Velodrop/ftp.log"));
    EXPECT_EQ(LogFilePath(QString()), QStringLiteral("/Velodrop/ftp.log"));
}

}  // namespace
}  // namespace vd::app
