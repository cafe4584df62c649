#include <gtest/gtest.h>

#include <QDir>

#include "app/cli/CommandLine.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

using TKind = TCommandLineRequest::TKind;

TEST(CommandLine, OptionsUnlessAFileOfThatNameExists) {
    const vd::test::TTempDir dir;
    vd::test::WriteFileBytes(dir.File("--version"), "a file with an odd name");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.Path().string())));
    const struct {
        QStringList Arguments;  // after the program's path
        TKind Kind;
        QString Argument;
        int Seconds = 0;
    } cases[] = {
        {{}, TKind::Window, {}},
        {{"photo.jpg"}, TKind::Window, {}},
        {{"-shortener"}, TKind::Window, {}},
        {{"--help"}, TKind::Help, {}},
        {{"--help", "x"}, TKind::Help, {}},
        {{"--version"}, TKind::Window, {}},  // the file in the working folder
        {{"--cli", "a b.txt"}, TKind::CliShare, "a b.txt"},
        {{"--cli", "--shorten", "https://e.org"}, TKind::CliShorten, "https://e.org"},
        {{"--cli"}, TKind::UsageError, {}},
        {{"--cli", "--shorten"}, TKind::UsageError, {}},
        {{"--cli", "a", "b"}, TKind::UsageError, {}},
        {{"--cli", "--shorten", "u", "v"}, TKind::UsageError, {}},
        {{"--Help"}, TKind::Window, {}},  // options are exact; this is a file name
        {{"--keep-clipboard", "600"}, TKind::KeepClipboard, {}, 600},
        {{"--keep-clipboard"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "0"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "ten"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "1", "2"}, TKind::UsageError, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(u' ').toStdString());
        const TCommandLineRequest r =
            ParseCommandLine(QStringList{QStringLiteral("/usr/bin/velodrop")} + c.Arguments);
        EXPECT_EQ(r.Kind, c.Kind);
        EXPECT_EQ(r.Argument, c.Argument);
        EXPECT_EQ(r.Seconds, c.Seconds);
        EXPECT_EQ(r.Error.isEmpty(), c.Kind != TKind::UsageError);
    }
    QDir::setCurrent(previous);
}

}  // namespace
}  // namespace vd::app
