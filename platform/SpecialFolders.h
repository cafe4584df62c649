#pragma once
// The folders that the program keeps its files in.

#include <string>

namespace vd::platform {

/// The user's configuration folder: $XDG_CONFIG_HOME, else $HOME/.config;
/// empty text when neither is set. It stands in for the machine's common
/// application-data folder of the Windows original.
std::string CommonAppDataFolder();

/// The user's data folder: $XDG_DATA_HOME, else $HOME/.local/share; empty
/// text when neither is set.
std::string UserDataFolder();

/// The folder for temporary files: $TMPDIR, else /tmp; always ends in "/".
std::string TempFolder();

/// The text after the last "/" of a path.
std::string FileNamePart(const std::string& Path);

/// Creates `Folder` with all missing levels. Returns false when a
/// level cannot be made.
bool ForceDirectories(const std::string& Folder);

/// True when something exists at `Path` that is a regular file (or a link
/// to one).
bool FileExists(const std::string& Path);

}  // namespace vd::platform
