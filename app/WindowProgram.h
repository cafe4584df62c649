#pragma once
// The program's runs with a window (the share window, the shortener) and
// the clipboard keeper: everything that needs Qt's GUI libraries. They are
// built as a module of their own (velodrop-window.so), which the program
// loads only for these runs (WindowModule.h), so that a run in the
// terminal never loads those libraries.

#include "app/cli/CommandLine.h"

namespace vd::app {

/// Runs what the command line asks for when the window's application object
/// has taken Qt's own options out of argv and the rest asks for no window
/// after all ("velodrop -style fusion --cli FILE").
using TRunRequest = int (*)(const TCommandLineRequest& Request, int& Argc, char** Argv);

/// The version that the program and its window module were built from: the
/// program calls into no module of another version.
inline constexpr const char* kWindowModuleVersion = VELODROP_VERSION;
inline constexpr const char* kWindowModuleVersionName = "VelodropWindowVersion";

}  // namespace vd::app

// The module's entry points, found by these names.
extern "C" {
/// The module's version, `kWindowModuleVersion` of its build.
extern const char VelodropWindowVersion[];
/// The window, or the shortener's window, until it closes; the exit code.
int VelodropRunWindow(int& Argc, char** Argv, vd::app::TRunRequest RunRequest);
/// The hidden `--keep-clipboard SECONDS` process.
int VelodropKeepClipboard(int Seconds, int& Argc, char** Argv);
}
