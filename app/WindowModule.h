#pragma once
// Finds and loads the window's module (velodrop-window.so, see
// WindowProgram.h) where the program is: installed (the program's folder is
// a bin/), in lib/velodrop beside that bin/; anywhere else (a build
// folder), only beside the program itself. A folder next to a build folder
// may belong to anyone: /tmp/lib/velodrop beside /tmp/build.
//
// The module runs with the user's rights in every window and clipboard
// keeper, so it is loaded only when nobody but root or the user can have
// written it (the very file that was checked is loaded), and only when it
// was built from this version of the program.

#include <string>

namespace vd::app {

/// The module's entry point `Name`, the module loaded at the first call;
/// null, with `Error` saying why, when the module or the name cannot be
/// found or the module is refused.
void* WindowModuleEntry(const char* Name, std::string& Error);

}  // namespace vd::app
