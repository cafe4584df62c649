#pragma once
// Finds and loads the window's module (velodrop-window.so, see
// WindowProgram.h) where the program is: installed, in lib/velodrop beside
// the program's bin folder; in a build folder, beside the program itself.

#include <string>

namespace vd::app {

/// The module's entry point `Name`, the module loaded at the first call;
/// null, with `Error` saying why, when the module or the name cannot be
/// found.
void* WindowModuleEntry(const char* Name, std::string& Error);

}  // namespace vd::app
