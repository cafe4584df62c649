#pragma once
// What every libjpeg call site of the JPEG copy shares: the error exit that
// jumps back to the caller, and the bound on what the codec may allocate.

#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace vd::app {

// libjpeg reports errors through a callback that must not return; a long
// jump back to the codec's caller is the one way out that never unwinds
// C++ frames. Every function that calls libjpeg sets its own jump target
// with setjmp(Jump) and keeps only plain locals, since the error exit jumps
// back into it.
struct TJpegErrorTrap {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

/// Makes `Trap` jump on errors and stay quiet on warnings (a truncated file
/// still gives a picture).
void InitErrorTrap(TJpegErrorTrap& Trap);

/// The codec's message number of the error that jumped; at least 1.
int TrappedMessage(const TJpegErrorTrap& Trap);

/// Whatever one codec allocates stays below this; it then fails cleanly.
inline constexpr long kMaxCodecMemory = 1024l * 1024 * 1024;

}  // namespace vd::app
