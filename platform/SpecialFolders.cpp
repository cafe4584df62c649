#include "platform/SpecialFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace vd::platform {
namespace {

std::string Environment(const char* Name) {
    const char* value = std::getenv(Name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string CommonAppDataFolder() {
    if (std::string xdg = Environment("XDG_CONFIG_HOME"); !xdg.empty()) return xdg;
    if (std::string home = Environment("HOME"); !home.empty()) return home + "/.config";
    return {};
}

std::string UserDataFolder() {
    if (std::string xdg = Environment("XDG_DATA_HOME"); !xdg.empty()) return xdg;
    if (std::string home = Environment("HOME"); !home.empty()) return home + "/.local/share";
    return {};
}

std::string TempFolder() {
    std::string folder = Environment("TMPDIR");
    if (folder.empty()) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string FileNamePart(const std::string& Path) {
    const std::size_t slash = Path.rfind('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

bool ForceDirectories(const std::string& Folder) {
    if (Folder.empty()) return true;
    for (std::size_t pos = Folder.find('/', 1);; pos = Folder.find('/', pos + 1)) {
        const std::string level = Folder.substr(0, pos);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& Path) {
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace vd::platform
