#pragma once
// A user interface for flow tests: it records what the flows tell the user
// and answers questions as armed.

#include <QStringList>
#include <deque>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/core/UserInterface.h"

namespace vd::test {

class TRecordingUser final : public app::TUserInterface {
  public:
    QStringList Messages;
    QStringList Questions;
    std::deque<bool> Answers;  // the next questions' answers; none left: No
    std::vector<std::pair<std::uint64_t, std::uint64_t>> Progress;
    int ProgressEnds = 0;
    QStringList Clipboard;  // every text put there, in order
    bool ClipboardFails = false;
    QStringList OpenedURLs;

    void ShowMessage(const QString& Text) override { Messages << Text; }
    bool AskYesNo(const QString& Question) override {
        Questions << Question;
        if (Answers.empty()) return false;
        const bool yes = Answers.front();
        Answers.pop_front();
        return yes;
    }
    void ShowProgress(std::uint64_t Sent, std::uint64_t Total) override {
        Progress.emplace_back(Sent, Total);
    }
    void EndProgress() noexcept override { ++ProgressEnds; }
    void SetClipboardText(const QString& Text) override {
        if (ClipboardFails) throw std::runtime_error("Clipboard busy");
        Clipboard << Text;
    }
    void OpenURL(const QString& URL) override { OpenedURLs << URL; }
};

}  // namespace vd::test
