// A window module that is not the program's own: one planted where a build
// folder's program must not look, or one built from another version. Its
// entry points say that they ran, which the program must never let happen.

#include <cstdio>

extern "C" {

extern const char VelodropWindowVersion[];  // exported, as in the program's own
const char VelodropWindowVersion[] = STAND_IN_VERSION;

int VelodropRunWindow(int&, char**, void*) {
    std::puts("STAND-IN MODULE RAN");
    return 0;
}

int VelodropKeepClipboard(int, int&, char**) {
    std::puts("STAND-IN MODULE RAN");
    return 0;
}
}
