#include "platform/UserName.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace vd::platform {

std::string UserName() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
        return {};
    }
    std::string name = found->pw_name ? found->pw_name : "";
    // Room for 255 characters including the terminator, as the original had.
    if (name.size() > 254) name.resize(254);
    return name;
}

}  // namespace vd::platform
