#include "app/core/JpegProgressiveRewrite.h"

#include <unistd.h>

#include <cerrno>

namespace vd::app {
namespace {

int Rewrite(jpeg_decompress_struct& D, jpeg_compress_struct& C, TJpegErrorTrap& Trap, FILE* File,
            int& Errno) {
    if (setjmp(Trap.Jump)) return TrappedMessage(Trap);
    D.mem->max_memory_to_use = kMaxCodecMemory;
    C.mem->max_memory_to_use = kMaxCodecMemory;
    std::rewind(File);
    jpeg_stdio_src(&D, File);
    jpeg_save_markers(&D, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&D, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&D, TRUE);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&D);  // all of it, up to EOI
    std::rewind(File);
    if (::ftruncate(::fileno(File), 0) != 0) {
        Errno = errno;
        return -1;
    }
    jpeg_copy_critical_parameters(&D, &C);  // the tables, the sampling, the JFIF density
    jpeg_simple_progression(&C);
    jpeg_stdio_dest(&C, File);
    jpeg_write_coefficients(&C, coefficients);
    for (jpeg_saved_marker_ptr m = D.marker_list; m; m = m->next)
        jpeg_write_marker(&C, m->marker, m->data, m->data_length);
    jpeg_finish_compress(&C);
    return 0;
}

}  // namespace

int RewriteAsProgressive(FILE* File, int& Errno) {
    TJpegErrorTrap trap{};
    InitErrorTrap(trap);
    jpeg_decompress_struct d{};
    jpeg_compress_struct c{};
    d.err = &trap.Pub;  // one thread: one jump target serves both
    c.err = &trap.Pub;
    jpeg_create_decompress(&d);
    jpeg_create_compress(&c);
    const int result = Rewrite(d, c, trap, File, Errno);
    jpeg_destroy_compress(&c);
    jpeg_destroy_decompress(&d);
    return result;
}

}  // namespace vd::app
