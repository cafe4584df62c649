// The main window's server sessions: the connection test after the settings
// dialog, and the exit sequence with its clean-up. The work is the core's;
// the window keeps other operations from starting meanwhile.

#include "app/gui/ModalSeam.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodrop1.h"

namespace vd::app {

bool TVelodrop1::ConnectToServer() { return FCore.ConnectToServer(); }

bool TVelodrop1::TestConnection() {
    TTestResult result;
    {
        const TBusy busy(*this);
        result = FCore.TestConnection();
    }
    // Connected but could not work there: the settings come back for mending.
    if (result == TTestResult::FailedAfterConnecting) BtnSettingsClick();
    return result == TTestResult::Passed;
}

void TVelodrop1::RemoveUploadedFiles() { FCore.RemoveUploadedFiles(); }

void TVelodrop1::FetchPassword() {
    const TBusy busy(*this);  // the keyring may ask to be unlocked meanwhile
    FCore.FetchPassword();
}

void TVelodrop1::RemoveDueShares() {
    const TBusy busy(*this);
    FCore.RemoveDueShares();
}

void TVelodrop1::BtnCancelClick() {
    if (DeferIfBusy([this] { BtnCancelClick(); })) return;
    // Once: the clean-up's messages run an event loop, in which the timer,
    // a close or a deferred exit could otherwise start a second one.
    if (FExitStarted) return;
    FExitStarted = true;
    FAutoClose.ExitStarted();
    ApplyAutoClose();
    hide();
    if (State().Settings.RemoveFileAtExit)
        RemoveUploadedFiles();
    else
        FCore.KeepUploadedFiles();
    State().TerminationRequested = true;
}

void TVelodrop1::EndSession() {
    TModalSeam::EndModals();
    FStopUpload = FBusy;
    close();
}

}  // namespace vd::app
