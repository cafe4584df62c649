// Velodrop: drop a file, get a link.

#include <QFile>

#include "app/core/RandomNames.h"
#include "app/gui/GuardedApplication.h"
#include "app/gui/TVelodrop1.h"
#include "platform/ProgramPath.h"
#include "platform/SeedClock.h"

int main(int argc, char** argv) {
    using namespace vd::app;
    Randomize(vd::platform::SeedClock());
    TGuardedApplication application(argc, argv);

    QStringList arguments = application.arguments();
    arguments[0] = QFile::decodeName(vd::platform::AbsoluteProgramPath(argv[0]).c_str());

    TVelodrop1 window(arguments);
    if (window.TerminationRequested()) return 0;
    if (window.StartMinimized())
        window.showMinimized();
    else
        window.show();
    return application.exec();
}
