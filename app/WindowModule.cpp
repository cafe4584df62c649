#include "app/WindowModule.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "app/WindowProgram.h"

namespace vd::app {
namespace {

constexpr const char* kModuleName = "velodrop-window.so";

// The running program itself, links resolved: the velodrop-shortener link
// in bin/ leads to the program it names.
std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<size_t>(n));
}

std::string ModulePath() {
    const std::string program = ProgramPath();
    const std::string folder = program.substr(0, program.rfind('/'));
    const std::string folderName = folder.substr(folder.rfind('/') + 1);
    if (folderName == "bin") return folder + "/../lib/velodrop/" + kModuleName;
    return folder + "/" + kModuleName;
}

// Why the opened module may not run in this process, or empty text.
std::string Untrusted(int Descriptor, const std::string& Path) {
    struct stat st {};
    if (::fstat(Descriptor, &st) != 0) return Path + ": " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return Path + " is not a regular file";
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return Path + " belongs to user " + std::to_string(st.st_uid) +
               ", neither to root nor to the user who runs the program";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return Path + " may be changed by other users (group or others may write it)";
    return {};
}

// A refused module stays as it is (a module of another version is not
// unloaded: that would run its code once more); the program ends anyway.
void* Refuse(std::string Why, std::string& Error) {
    Error = std::move(Why);
    return nullptr;
}

void* LoadModule(std::string& Error) {
    const std::string path = ModulePath();
    // Checked and loaded through one descriptor: a file swapped in after
    // the check is not the one that is loaded. The descriptor stays open
    // for the process's life, since the loader names the module by it.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT)
            return Refuse(std::string(kModuleName) + " was not found at " + path, Error);
        return Refuse(path + ": " + std::strerror(errno), Error);
    }
    if (std::string why = Untrusted(descriptor, path); !why.empty()) {
        ::close(descriptor);
        return Refuse("refused: " + why, Error);
    }
    const std::string loadable = "/proc/self/fd/" + std::to_string(descriptor);
    // Every name resolved now: a module that does not fit the program fails
    // here, with the name, rather than half-way through a window.
    void* module = ::dlopen(loadable.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = ::dlerror();
        ::close(descriptor);
        return Refuse(path + ": " + (why ? why : "cannot be loaded"), Error);
    }
    const auto* version = static_cast<const char*>(::dlsym(module, kWindowModuleVersionName));
    if (!version || std::strcmp(version, kWindowModuleVersion) != 0) {
        return Refuse("refused: " + path + " belongs to " +
                          (version ? "version " + std::string(version) : "another version") +
                          ", the program is version " + kWindowModuleVersion,
                      Error);
    }
    return module;
}

}  // namespace

void* WindowModuleEntry(const char* Name, std::string& Error) {
    static std::string loadError;
    static void* const module = LoadModule(loadError);
    if (!module) {
        Error = loadError;
        return nullptr;
    }
    void* entry = ::dlsym(module, Name);
    if (!entry) Error = std::string(Name) + " is missing in " + kModuleName;
    return entry;
}

}  // namespace vd::app
