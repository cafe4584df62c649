#pragma once
// When the auto-close timer runs. The program closes `Timeout` seconds
// after the last share, failed or not. It never closes while one of its
// dialogs or boxes is open (the user is busy with it), never when nothing
// was shared yet, and never a second time once the exit sequence has begun.
// The window tells this rule what happens and starts or stops its timer as
// Running() then says.

#include <cstdint>

namespace vd::app {

class TAutoClose final {
  public:
    /// A share or the settings dialog begins: no countdown meanwhile.
    void Disarm() noexcept { FArmed = false; }
    /// A share of an existing file has ended, whatever its outcome.
    void ArmAfterShare(std::int32_t Timeout) noexcept;
    /// The settings dialog has ended, confirmed or not: the countdown
    /// starts again with the delay now in effect, if a share came before.
    void ArmAfterSettings(std::int32_t Timeout) noexcept;
    /// Something modal opens or closes; they may nest. When the last one
    /// closes, the countdown starts again from its full delay.
    void ModalOpened() noexcept { ++FOpenModals; }
    void ModalClosed() noexcept;
    /// The exit sequence has begun; nothing arms the timer after this.
    void ExitStarted() noexcept { FExiting = true; }

    /// Whether the timer should count down now; a change to true means a
    /// fresh start with Interval().
    bool Running() const noexcept { return FArmed && FOpenModals == 0 && !FExiting; }
    /// The delay in milliseconds, capped at the longest a timer takes.
    int Interval() const noexcept { return FInterval; }

  private:
    void Arm(std::int32_t Timeout) noexcept;

    bool FShared = false;  // a share has ended in this run
    bool FArmed = false;
    bool FExiting = false;
    int FOpenModals = 0;
    int FInterval = 0;
};

}  // namespace vd::app
