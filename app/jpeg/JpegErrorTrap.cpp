#include "app/jpeg/JpegErrorTrap.h"

namespace vd::app {
namespace {

[[noreturn]] void JumpBack(j_common_ptr Codec) {
    std::longjmp(reinterpret_cast<TJpegErrorTrap*>(Codec->err)->Jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}

}  // namespace

void InitErrorTrap(TJpegErrorTrap& Trap) {
    jpeg_std_error(&Trap.Pub);
    Trap.Pub.error_exit = JumpBack;
    Trap.Pub.emit_message = IgnoreMessage;
}

int TrappedMessage(const TJpegErrorTrap& Trap) {
    return Trap.Pub.msg_code > 0 ? Trap.Pub.msg_code : 1;
}

}  // namespace vd::app
