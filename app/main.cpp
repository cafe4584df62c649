// Velodrop: drop a file, get a link.

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/cli/CommandLine.h"
#include "app/cli/CommandLineRun.h"
#include "app/cli/TerminalText.h"
#include "app/clipboard/DesktopClipboard.h"
#include "app/core/RandomNames.h"
#include "app/gui/ClipboardKeeper.h"
#include "app/gui/GuardedApplication.h"
#include "app/gui/TVelodrop1.h"
#include "app/gui/TerminationSignals.h"
#include "platform/ProgramPath.h"
#include "platform/SeedClock.h"

namespace {

using namespace vd::app;
using TKind = TCommandLineRequest::TKind;

// The arguments as the program got them, [0] made absolute (links kept, so
// that a link named velodrop-shortener selects shortener mode).
QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    arguments << QFile::decodeName(vd::platform::AbsoluteProgramPath(argv[0]).c_str());
    for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    return arguments;
}

void Print(std::FILE* Stream, const QString& Text) {
    std::fputs(Text.toUtf8().constData(), Stream);
}

// Everything but the window. An application object that exists already
// (the window's, when Qt's own options came first) serves as it is.
int RunRequest(const TCommandLineRequest& Request, int& argc, char** argv) {
    switch (Request.Kind) {
        case TKind::Help:
            Print(stdout, UsageText());
            return 0;
        case TKind::Version:
            Print(stdout, VersionText());
            return 0;
        case TKind::UsageError:
            // The error quotes what was given, which may hold anything.
            Print(stderr, TerminalSafe(Request.Error) + u'\n' + UsageText());
            return 2;
        case TKind::History:
        case TKind::DeleteShare: {
            std::optional<QCoreApplication> application;
            if (!QCoreApplication::instance()) application.emplace(argc, argv);
            return Request.Kind == TKind::History ? RunHistory(Request.Json, stdout, stderr)
                                                  : RunDeleteShare(Request.Argument, stderr);
        }
        case TKind::CliShare:
        case TKind::CliShorten: {
            // No display needed: the core works without widgets.
            std::optional<QCoreApplication> application;
            if (!QCoreApplication::instance()) application.emplace(argc, argv);
            return Request.Kind == TKind::CliShare
                       ? RunCliShare(Request.Argument, Request.Copy, stdout, stderr)
                       : RunCliShorten(Request.Argument, Request.Copy, stdout, stderr);
        }
        case TKind::KeepClipboard:
            return RunClipboardKeeper(Request.Seconds, argc, argv);
        case TKind::Window:
            break;
    }
    return 0;
}

// Qt's option "-platform NAME" is the user's choice, as QT_QPA_PLATFORM is.
bool PlatformGiven(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

int RunWindow(int& argc, char** argv) {
    const std::string platform =
        PlatformGiven(argc, argv) ? std::string() : PreferredWindowPlatform();
    if (!platform.empty()) qputenv("QT_QPA_PLATFORM", platform.c_str());
    // Qt takes its own options (-style, -platform, -reverse, ...) out of
    // argv here; what is left are the program's arguments as the user gave
    // them, so those options shift no file argument.
    TGuardedApplication application(argc, argv);
    // Our own choice is not for the programs we start (the browser).
    if (!platform.empty()) qunsetenv("QT_QPA_PLATFORM");
    const TCommandLineRequest request = ParseCommandLine(ProgramArguments(argc, argv));
    if (request.Kind != TKind::Window) return RunRequest(request, argc, argv);

    TVelodrop1 window(request.WindowArguments);
    if (window.TerminationRequested()) return 0;
    const TTerminationSignals termination([&window] { window.EndSession(); });
    if (window.StartMinimized())
        window.showMinimized();
    else
        window.show();
    const int result = application.exec();
    HandOverClipboard(QCoreApplication::applicationFilePath());
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Randomize(vd::platform::SeedClock());
    const TCommandLineRequest request = ParseCommandLine(ProgramArguments(argc, argv));
    if (request.Kind != TKind::Window) return RunRequest(request, argc, argv);
    return RunWindow(argc, argv);
}
