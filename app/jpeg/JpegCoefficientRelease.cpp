#include "app/jpeg/JpegCoefficientRelease.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

// jerror.h needs jpeglib.h first.
#include <jerror.h>

namespace vd::app {
namespace {

TJpegCoefficientRelease& ReleaseOf(j_common_ptr Codec) {
    return *static_cast<TJpegCoefficientRelease*>(Codec->client_data);
}

std::uintptr_t PageSize() {
    static const auto size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

char* PageDown(char* Address) {
    return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(Address) & ~(PageSize() - 1));
}

char* PageUp(char* Address) { return PageDown(Address + PageSize() - 1); }

jvirt_barray_ptr RequestTracked(j_common_ptr Codec, int Pool, boolean PreZero,
                                JDIMENSION BlocksPerRow, JDIMENSION Rows, JDIMENSION MaxAccess) {
    TJpegCoefficientRelease& release = ReleaseOf(Codec);
    const jvirt_barray_ptr array =
        release.Request(Codec, Pool, PreZero, BlocksPerRow, Rows, MaxAccess);
    if (release.ArrayCount < MAX_COMPONENTS) {
        auto& tracked = release.Arrays[release.ArrayCount++];
        tracked.Handle = array;
        tracked.RowBytes = std::size_t{BlocksPerRow} * sizeof(JBLOCK);
        tracked.Rows = Rows;
    }
    return array;
}

// Reads (as opposed to the input pass's writes) come from the output pass,
// in order: whatever lies before the first row asked for is done with.
JBLOCKARRAY AccessReleasing(j_common_ptr Codec, jvirt_barray_ptr Array, JDIMENSION StartRow,
                            JDIMENSION Rows, boolean Writable) {
    TJpegCoefficientRelease& release = ReleaseOf(Codec);
    JBLOCKARRAY rows = release.Access(Codec, Array, StartRow, Rows, Writable);
    if (Writable) return rows;
    auto* const end = release.Arrays + release.ArrayCount;
    auto* const found =
        std::find_if(release.Arrays, end, [&](const auto& A) { return A.Handle == Array; });
    if (found == end) return rows;
    auto& tracked = *found;
    if (StartRow < tracked.NextRow) {
        // A row already given back would read as zeros: a broken picture
        // must not pass for the copy.
        Codec->err->msg_code = JERR_BAD_VIRTUAL_ACCESS;
        (*Codec->err->error_exit)(Codec);
    }
    auto* start = reinterpret_cast<char*>(rows[0]);
    // The codec allocates an array's rows as one block, so the rows
    // passed lie right before this one. The first page of a block may
    // hold other data: the release starts at the first whole page.
    const bool follows =
        tracked.NextRowAddress &&
        start == tracked.NextRowAddress + (StartRow - tracked.NextRow) * tracked.RowBytes;
    if (!follows) {
        tracked.ReleasedEnd = PageUp(start);
    } else if (char* to = PageDown(start); to > tracked.ReleasedEnd) {
        if (::madvise(tracked.ReleasedEnd, static_cast<std::size_t>(to - tracked.ReleasedEnd),
                      MADV_DONTNEED) == 0)
            tracked.ReleasedEnd = to;
    }
    tracked.NextRow = StartRow;
    tracked.NextRowAddress = start;
    return rows;
}

}  // namespace

void ReleaseCoefficientsOnceRead(jpeg_decompress_struct& Decoder,
                                 TJpegCoefficientRelease& Release) {
    Release = TJpegCoefficientRelease{};
    Release.Request = Decoder.mem->request_virt_barray;
    Release.Access = Decoder.mem->access_virt_barray;
    Decoder.client_data = &Release;
    Decoder.mem->request_virt_barray = RequestTracked;
    Decoder.mem->access_virt_barray = AccessReleasing;
}

}  // namespace vd::app
