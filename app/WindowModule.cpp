#include "app/WindowModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace vd::app {
namespace {

constexpr const char* kModuleName = "velodrop-window.so";

// The folder of the running program itself, links resolved: the
// velodrop-shortener link in bin/ leads to the program it names.
std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    const std::string program(path, static_cast<size_t>(n));
    return program.substr(0, program.rfind('/'));
}

void* LoadModule(std::string& Error) {
    const std::string folder = ProgramFolder();
    std::string reasons;
    for (const std::string& candidate :
         {folder + "/../lib/velodrop/" + kModuleName, folder + "/" + kModuleName}) {
        if (::access(candidate.c_str(), F_OK) != 0) continue;
        // Every name resolved now: a module that does not fit the program
        // fails here, with the name, rather than half-way through a window.
        if (void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
        const char* why = ::dlerror();
        reasons = why ? why : candidate;
        break;
    }
    Error = reasons.empty() ? std::string(kModuleName) + " was not found in " + folder +
                                  "/../lib/velodrop or beside the program"
                            : reasons;
    return nullptr;
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
