#include "app/cli/TerminalUser.h"

#include "app/cli/TerminalText.h"
#include "app/core/ProgressText.h"
#include "app/core/TextRules.h"

namespace vd::app {
namespace {

void Write(std::FILE* Stream, const QString& Text) {
    const QByteArray bytes = Text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), Stream);
    std::fflush(Stream);
}

}  // namespace

TTerminalUser::TTerminalUser(std::FILE* Errors, bool ShowsProgress)
    : FErrors(Errors), FShowsProgress(ShowsProgress) {}

void TTerminalUser::ShowMessage(const QString& Text) {
    // Server replies end in CR LF; one line break is enough on a terminal.
    Write(FErrors, TerminalSafe(TrimControl(Text)) + u'\n');
}

bool TTerminalUser::AskYesNo(const QString& Question) {
    Write(FErrors,
          TerminalSafe(TrimControl(Question)) + QStringLiteral(" (no one to answer: no)\n"));
    return false;
}

void TTerminalUser::ShowProgress(std::uint64_t Sent, std::uint64_t Total) {
    if (!FShowsProgress) return;
    if (!FProgressPace.Due(Sent, Total)) return;
    // Carriage return and "erase to end of line": the line redraws in place.
    Write(FErrors, u'\r' + ProgressText(Sent, Total) + QStringLiteral("\x1b[K"));
    FProgressOnScreen = true;
}

void TTerminalUser::EndProgress() noexcept {
    if (!FProgressOnScreen) return;
    std::fputc('\n', FErrors);
    std::fflush(FErrors);
    FProgressOnScreen = false;
    FProgressPace.Restart();
}

void TTerminalUser::SetClipboardText(const QString&) {}

void TTerminalUser::OpenURL(const QString&) {}

}  // namespace vd::app
