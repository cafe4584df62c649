#pragma once
// How the flows reach the person using the program. The main window shows
// boxes; the terminal writes to standard error; tests record what they are
// told. The link of a share comes back as the flow's result.

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace vd::app {

/// The upload was stopped because the program is ending: the share ends
/// without a message, since nobody is left to read one.
class EUploadStopped final : public std::runtime_error {
  public:
    EUploadStopped() : std::runtime_error("The upload was stopped.") {}
};

class TUserInterface {
  public:
    virtual ~TUserInterface() = default;

    /// A message the user must see; the window shows a box with OK.
    virtual void ShowMessage(const QString& Text) = 0;
    /// A question answered yes (true) or no. Where nobody can answer, no.
    virtual bool AskYesNo(const QString& Question) = 0;
    /// Bytes of an upload sent so far, of `Total`; called after each piece.
    /// Raises EUploadStopped when the program is ending and the upload
    /// must not hold it up.
    virtual void ShowProgress(std::uint64_t Sent, std::uint64_t Total) = 0;
    /// The upload that showed progress has ended, whether it succeeded or not.
    virtual void EndProgress() noexcept = 0;
    /// Puts text on the clipboard; raises when that fails.
    virtual void SetClipboardText(const QString& Text) = 0;
    /// Opens a web address with the desktop's default handler.
    virtual void OpenURL(const QString& URL) = 0;
};

}  // namespace vd::app
