#include "SystemUser.h"

#include <pwd.h>

#include <stdexcept>

#include "ChildProcess.h"

namespace vd::test {

void EnsureSystemUser(const std::string& name, const std::string& home) {
    if (::getpwnam(name.c_str())) return;
    const TRunResult r = RunToCompletion({"/usr/sbin/useradd", "--system", "--home-dir", home,
                                          "--shell", "/usr/sbin/nologin", name});
    if (!::getpwnam(name.c_str()))
        throw std::runtime_error("useradd " + name + " failed: " + r.Errors);
}

}  // namespace vd::test
