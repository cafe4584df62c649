// A system user for a test server to log in (vsftpd, sshd), made with
// useradd when missing, with no shell. Needs root.
#pragma once

#include <string>

namespace vd::test {

// Raises when the user is missing and cannot be made. Two test processes
// may race here; the loser finds the user made.
void EnsureSystemUser(const std::string& name, const std::string& home);

}  // namespace vd::test
