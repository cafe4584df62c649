// Ports of the servers that tests start, found from the outside: read back
// from /proc when the kernel picked one, or picked here for a server that
// cannot be told to take one the kernel picks.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace vd::test {

// The port of the TCP socket the process listens on (state 0A in
// /proc/net/tcp); 0 while it has none.
uint16_t ListeningPort(pid_t pid);

// A loopback port that was free a moment ago. Another process may take it
// before the server binds it: a caller retries with the next one.
uint16_t FreeLoopbackPort();

}  // namespace vd::test
