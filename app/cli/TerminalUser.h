#pragma once
// The terminal as the flows' user interface, for the command-line mode:
// messages and progress go to standard error. Nobody is there to answer a
// question, and there is no window to own a clipboard or open a browser.

#include <cstdio>

#include "app/core/ProgressText.h"
#include "app/core/UserInterface.h"

namespace vd::app {

class TTerminalUser final : public TUserInterface {
  public:
    /// `Errors`: where messages go. `ShowsProgress`: whether progress is
    /// drawn there (only a terminal wants a line that redraws itself).
    TTerminalUser(std::FILE* Errors, bool ShowsProgress);

    void ShowMessage(const QString& Text) override;
    /// Always no: the command line never asks.
    bool AskYesNo(const QString& Question) override;
    void ShowProgress(std::uint64_t Sent, std::uint64_t Total) override;
    void EndProgress() noexcept override;
    /// Nothing: without a window nothing would keep serving the text.
    void SetClipboardText(const QString& Text) override;
    /// Nothing: the link is printed instead.
    void OpenURL(const QString& URL) override;

  private:
    std::FILE* FErrors;
    bool FShowsProgress;
    bool FProgressOnScreen = false;
    TProgressPace FProgressPace;
};

}  // namespace vd::app
