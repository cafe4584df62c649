#pragma once
// A process that holds a password must not leave it in a file: a core dump
// of it would hold the password in clear, readable by whoever may read the
// core. Once a password has been read, the process is no longer dumpable,
// until it ends. (That also keeps debuggers of the same user out, which a
// program that holds a password may well do without.)

namespace vd::platform {

/// No core dump from here on, and no ptrace or /proc access by other
/// processes of the user. Idempotent.
void KeepSecretsOutOfCoreDumps() noexcept;

}  // namespace vd::platform
