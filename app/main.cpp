// Velodrop: drop a file, get a link.

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "app/core/CommandLine.h"
#include "app/core/CommandLineRun.h"
#include "app/core/RandomNames.h"
#include "app/gui/GuardedApplication.h"
#include "app/gui/TVelodrop1.h"
#include "platform/ProgramPath.h"
#include "platform/SeedClock.h"

namespace {

using namespace vd::app;

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

int RunWindow(int argc, char** argv, const QStringList& Arguments) {
    TGuardedApplication application(argc, argv);
    TVelodrop1 window(Arguments);
    if (window.TerminationRequested()) return 0;
    if (window.StartMinimized())
        window.showMinimized();
    else
        window.show();
    return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
    using TKind = TCommandLineRequest::TKind;
    Randomize(vd::platform::SeedClock());
    const QStringList arguments = ProgramArguments(argc, argv);
    const TCommandLineRequest request = ParseCommandLine(arguments);
    switch (request.Kind) {
        case TKind::Help:
            Print(stdout, UsageText());
            return 0;
        case TKind::Version:
            Print(stdout, VersionText());
            return 0;
        case TKind::UsageError:
            Print(stderr, request.Error + u'\n' + UsageText());
            return 2;
        case TKind::CliShare:
        case TKind::CliShorten: {
            // No display needed: the core works without widgets.
            QCoreApplication application(argc, argv);
            return request.Kind == TKind::CliShare
                       ? RunCliShare(request.Argument, stdout, stderr)
                       : RunCliShorten(request.Argument, stdout, stderr);
        }
        case TKind::Window:
            break;
    }
    return RunWindow(argc, argv, arguments);
}
