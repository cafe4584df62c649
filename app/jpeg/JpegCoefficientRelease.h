#pragma once
// A progressive source is held whole by its decoder: 64 coefficients of two
// bytes per block, as much memory as the full-size RGB picture. The
// decoder's output pass then reads those rows once, top to bottom, and
// never again, so the pages of the rows it has passed can go back to the
// system while it goes on. The copy's own buffers grow into that room, and
// the peak stays that of the source's coefficients alone.

#include "app/jpeg/JpegErrorTrap.h"

namespace vd::app {

/// What the release keeps per decoder: the codec's own two memory methods
/// it wraps, and where each whole-picture array has been read up to.
struct TJpegCoefficientRelease {
    struct TArray {
        jvirt_barray_ptr Handle = nullptr;
        std::size_t RowBytes = 0;
        JDIMENSION Rows = 0;
        JDIMENSION NextRow = 0;          // the first row the output pass may still read
        char* NextRowAddress = nullptr;  // where that row lies, once seen
        char* ReleasedEnd = nullptr;     // the end of the pages given back so far
    };
    TArray Arrays[MAX_COMPONENTS];
    int ArrayCount = 0;
    decltype(jpeg_memory_mgr::request_virt_barray) Request = nullptr;
    decltype(jpeg_memory_mgr::access_virt_barray) Access = nullptr;
};

/// Makes `Decoder` give back the pages of coefficient rows that its output
/// pass has read. Call it before jpeg_start_decompress; `Release` must
/// outlive the decoder's image (it is kept in the decoder's client_data).
/// The decoder must not be in buffered-image mode, whose output passes read
/// the picture more than once.
void ReleaseCoefficientsOnceRead(jpeg_decompress_struct& Decoder, TJpegCoefficientRelease& Release);

}  // namespace vd::app
