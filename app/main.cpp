// Velodrop: drop a file, get a link.

#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>

#include "app/WindowModule.h"
#include "app/WindowProgram.h"
#include "app/cli/CommandLine.h"
#include "app/cli/CommandLineRun.h"
#include "app/cli/TerminalText.h"
#include "app/core/RandomNames.h"
#include "platform/SeedClock.h"

namespace {

using namespace vd::app;
using TKind = TCommandLineRequest::TKind;

void Print(std::FILE* Stream, const QString& Text) {
    std::fputs(Text.toUtf8().constData(), Stream);
}

// The entry point `Name` of the window's module; null after telling why
// it is missing.
template <typename TEntry>
TEntry WindowEntry(const char* Name) {
    std::string error;
    void* entry = WindowModuleEntry(Name, error);
    if (!entry)
        std::fprintf(stderr, "The window of Velodrop could not be loaded: %s\n",
                     TerminalSafe(QString::fromStdString(error)).toUtf8().constData());
    return reinterpret_cast<TEntry>(entry);
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
        case TKind::KeepClipboard: {
            const auto keep =
                WindowEntry<decltype(&VelodropKeepClipboard)>("VelodropKeepClipboard");
            return keep ? keep(Request.Seconds, argc, argv) : 1;
        }
        case TKind::Window:
            break;
    }
    return 0;
}

int RunWindow(int& argc, char** argv) {
    const auto run = WindowEntry<decltype(&VelodropRunWindow)>("VelodropRunWindow");
    return run ? run(argc, argv, RunRequest) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Randomize(vd::platform::SeedClock());
    const TCommandLineRequest request = ParseCommandLine(ProgramArguments(argc, argv));
    if (request.Kind != TKind::Window) return RunRequest(request, argc, argv);
    return RunWindow(argc, argv);
}
