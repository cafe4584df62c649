// resize_jpg_cli FILE PERCENT: writes the scaled copy as the program would
// and prints its path.

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/core/ResizeJPG.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE PERCENT\n", argv[0]);
        return 2;
    }
    try {
        const QString out = vd::app::ResizeJPG(QString::fromLocal8Bit(argv[1]), std::atoi(argv[2]));
        std::printf("%s\n", out.toLocal8Bit().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
