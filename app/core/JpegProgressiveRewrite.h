#pragma once
// A progressive copy made in two steps. Its rows are first encoded as
// baseline into the output file, while the source is still being decoded;
// once the source's decoder is gone, the file is rewritten as progressive
// without loss. A progressive encoder fed with rows keeps the coefficients
// of the whole picture until the end; this way that buffer only exists
// after the decoder's own one (a progressive source's whole picture) has
// been freed, and the baseline bytes wait on disk rather than in memory.

#include "app/core/JpegErrorTrap.h"

namespace vd::app {

/// Rewrites `File`, a baseline JPEG opened for reading and writing, as a
/// progressive JPEG of the same coefficients, so that no pixel changes,
/// with its APP1 and APP2 markers (the EXIF and the ICC profile the copy
/// keeps). Returns 0, the codec's message number, or -1 when the file
/// cannot be cut to start afresh (`Errno` then says why).
int RewriteAsProgressive(FILE* File, int& Errno);

}  // namespace vd::app
