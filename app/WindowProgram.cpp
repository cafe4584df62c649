#include "app/WindowProgram.h"

#include <QCoreApplication>
#include <cstring>
#include <string>

#include "app/clipboard/DesktopClipboard.h"
#include "app/gui/ClipboardKeeper.h"
#include "app/gui/GuardedApplication.h"
#include "app/gui/TVelodrop1.h"
#include "app/gui/TerminationSignals.h"

namespace {

using namespace vd::app;

// Qt's option "-platform NAME" is the user's choice, as QT_QPA_PLATFORM is.
bool PlatformGiven(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

}  // namespace

const char VelodropWindowVersion[] = VELODROP_VERSION;

int VelodropRunWindow(int& argc, char** argv, TRunRequest RunRequest) {
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
    if (request.Kind != TCommandLineRequest::TKind::Window) return RunRequest(request, argc, argv);

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

int VelodropKeepClipboard(int Seconds, int& argc, char** argv) {
    return RunClipboardKeeper(Seconds, argc, argv);
}
