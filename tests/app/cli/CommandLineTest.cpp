#include <gtest/gtest.h>

#include <QDir>

#include "app/cli/CommandLine.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

using TKind = TCommandLineRequest::TKind;

TEST(CommandLine, OptionsComeFirstWhateverFilesExist) {
    // Files named like options in the working folder change nothing.
    const vd::test::TTempDir dir;
    for (const char* name : {"--version", "--cli", "--Help", "-x"})
        vd::test::WriteFileBytes(dir.File(name), "a file with an odd name");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.Path().string())));
    const QString program = QStringLiteral("/usr/bin/velodrop");
    const struct {
        QStringList Arguments;  // after the program's path
        TKind Kind;
        QString Argument;
        int Seconds = 0;
        QStringList Window = {};  // the window's arguments after the path
    } cases[] = {
        {{}, TKind::Window, {}},
        {{"photo.jpg"}, TKind::Window, {}, 0, {"photo.jpg"}},
        {{"photo.jpg", "--bogus"}, TKind::Window, {}, 0, {"photo.jpg"}},
        {{"-shortener"}, TKind::Window, {}, 0, {"-shortener"}},
        {{"-shortener", "x"}, TKind::Window, {}, 0, {"-shortener"}},
        {{"./--cli"}, TKind::Window, {}, 0, {"./--cli"}},
        {{"--", "--cli"}, TKind::Window, {}, 0, {"--cli"}},
        {{"--"}, TKind::Window, {}},
        {{"-"}, TKind::Window, {}, 0, {"-"}},
        // Qt's own options, before Qt has taken them out.
        {{"-style", "fusion", "-reverse", "a.txt"}, TKind::Window, {}, 0, {"a.txt"}},
        {{"-style=fusion", "-shortener"}, TKind::Window, {}, 0, {"-shortener"}},
        {{"--help"}, TKind::Help, {}},
        {{"-h"}, TKind::Help, {}},
        {{"--help", "x"}, TKind::Help, {}},
        {{"--version"}, TKind::Version, {}},
        {{"--cli", "a b.txt"}, TKind::CliShare, "a b.txt"},
        {{"--cli", "--version"}, TKind::CliShare, "--version"},
        {{"--cli", "--", "-x"}, TKind::CliShare, "-x"},
        {{"--cli", "--shorten", "https://e.org"}, TKind::CliShorten, "https://e.org"},
        {{"--cli"}, TKind::UsageError, {}},
        {{"--cli", "--shorten"}, TKind::UsageError, {}},
        {{"--cli", "a", "b"}, TKind::UsageError, {}},
        {{"--cli", "--shorten", "u", "v"}, TKind::UsageError, {}},
        {{"--Help"}, TKind::UsageError, {}},  // options are exact
        {{"-x"}, TKind::UsageError, {}},
        {{"-style", "fusion", "--bogus"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "600"}, TKind::KeepClipboard, {}, 600},
        {{"--keep-clipboard"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "0"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "ten"}, TKind::UsageError, {}},
        {{"--keep-clipboard", "1", "2"}, TKind::UsageError, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(u' ').toStdString());
        const TCommandLineRequest r = ParseCommandLine(QStringList{program} + c.Arguments);
        EXPECT_EQ(r.Kind, c.Kind);
        EXPECT_EQ(r.Argument, c.Argument);
        EXPECT_EQ(r.Seconds, c.Seconds);
        EXPECT_EQ(r.Error.isEmpty(), c.Kind != TKind::UsageError);
        if (c.Kind == TKind::Window) {
            EXPECT_EQ(r.WindowArguments, QStringList{program} + c.Window);
        }
    }
    QDir::setCurrent(previous);
}

// --copy right after --cli, --json only after --history, one link after
// --delete: anything else is a usage error.
TEST(CommandLine, CopyJsonAndDeleteTakeExactlyTheirPlace) {
    const struct {
        QStringList Arguments;
        TKind Kind;
        QString Argument;
        bool Copy = false;
        bool Json = false;
    } cases[] = {
        {{"--cli", "--copy", "a.txt"}, TKind::CliShare, "a.txt", true},
        {{"--cli", "--copy", "--shorten", "https://e.org"},
         TKind::CliShorten,
         "https://e.org",
         true},
        {{"--cli", "--copy", "--", "-x"}, TKind::CliShare, "-x", true},
        {{"--cli", "a.txt"}, TKind::CliShare, "a.txt"},
        {{"--cli", "--", "--copy"}, TKind::CliShare, "--copy"},  // a file of that name
        {{"--cli", "--copy"}, TKind::UsageError, {}},
        {{"--cli", "a.txt", "--copy"}, TKind::UsageError, {}},
        {{"--cli", "--shorten", "--copy", "https://e.org"}, TKind::UsageError, {}},
        {{"--history"}, TKind::History, {}},
        {{"--history", "--json"}, TKind::History, {}, false, true},
        {{"--history", "--json", "x"}, TKind::UsageError, {}},
        {{"--history", "x"}, TKind::UsageError, {}},
        {{"--json"}, TKind::UsageError, {}},
        {{"--cli", "--json", "a.txt"}, TKind::UsageError, {}},
        {{"--delete", "https://e.org/d/v_a.txt"}, TKind::DeleteShare, "https://e.org/d/v_a.txt"},
        {{"--delete"}, TKind::UsageError, {}},
        {{"--delete", ""}, TKind::UsageError, {}},
        {{"--delete", "a", "b"}, TKind::UsageError, {}},
        {{"--", "--history"}, TKind::Window, {}},  // a file of that name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(u' ').toStdString());
        const TCommandLineRequest r =
            ParseCommandLine(QStringList{QStringLiteral("/usr/bin/velodrop")} + c.Arguments);
        EXPECT_EQ(r.Kind, c.Kind);
        EXPECT_EQ(r.Argument, c.Argument);
        EXPECT_EQ(r.Copy, c.Copy);
        EXPECT_EQ(r.Json, c.Json);
    }
}

}  // namespace
}  // namespace vd::app
