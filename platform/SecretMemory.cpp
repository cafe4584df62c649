#include "platform/SecretMemory.h"

#include <sys/prctl.h>

namespace vd::platform {

void KeepSecretsOutOfCoreDumps() noexcept { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

}  // namespace vd::platform
