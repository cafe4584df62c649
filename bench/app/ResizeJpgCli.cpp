// resize_jpg_cli FILE PERCENT: writes the scaled copy where the program
// would and prints its path. Built on the Qt-free JPEG core alone, so that
// its peak memory is the codec's and not Qt's.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/jpeg/JpegResize.h"

int main(int argc, char** argv) {
    using TOutcome = vd::app::TJpegResizeResult::TOutcome;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE PERCENT\n", argv[0]);
        return 2;
    }
    const std::string out = vd::app::ResizedCopyPath(argv[1]);
    const auto result = vd::app::ResizeJpegFile(argv[1], out, std::atoi(argv[2]));
    switch (result.Outcome) {
        case TOutcome::Written:
            std::printf("%s\n", out.c_str());
            return 0;
        case TOutcome::SourceUnreadable:
        case TOutcome::OutputUnwritable:
            std::fprintf(stderr, "%s\n", std::strerror(result.Errno));
            return 1;
        case TOutcome::CodecError:
            std::fprintf(stderr, "JPEG error #%d\n", result.CodecMessage);
            return 1;
        case TOutcome::TooLarge:
            std::fprintf(stderr, "%lu x %lu pixels: too large\n", result.SourceWidth,
                         result.SourceHeight);
            return 1;
    }
    return 1;
}
