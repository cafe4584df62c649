#include "app/gui/ModalSeam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>

namespace vd::app {

// Tells the listeners while something modal is open, also when it throws.
class TModalSeam::TModalScope final {
  public:
    TModalScope() {
        for (const auto& [owner, listener] : Listeners()) listener(true);
    }
    ~TModalScope() {
        const auto listeners = Listeners();
        for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) it->second(false);
    }
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

  private:
    // A copy: a listener may add or remove listeners.
    static std::vector<std::pair<const void*, TModalListener>> Listeners() { return FListeners; }
};

std::vector<std::pair<const void*, TModalSeam::TModalListener>> TModalSeam::FListeners;
bool TModalSeam::FEnding = false;
std::vector<QPointer<QDialog>> TModalSeam::FOpenDialogs;
QPointer<QMenu> TModalSeam::FOpenMenu;
bool TModalSeam::FTesting = false;
std::deque<QString> TModalSeam::FNextFileNames;
std::deque<bool> TModalSeam::FNextQuestionAnswers;
std::vector<QString> TModalSeam::FAskedQuestions;
std::deque<TModalSeam::TDialogAnswer> TModalSeam::FNextDialogAnswers;
std::vector<TModalSeam::TShownMessage> TModalSeam::FShownMessages;
std::vector<QUrl> TModalSeam::FOpenedUrls;
std::vector<QString> TModalSeam::FFileDialogFolders;
int TModalSeam::FDialogsShown = 0;

QWidget* TModalSeam::BoxParent(QWidget* Candidate) {
    QWidget* window = Candidate ? Candidate->window() : nullptr;
    if (!window || !window->isVisible() || window->isMinimized()) return nullptr;
    return window;
}

void TModalSeam::AddModalListener(const void* Owner, TModalListener Listener) {
    FListeners.emplace_back(Owner, std::move(Listener));
}

void TModalSeam::RemoveModalListeners(const void* Owner) {
    std::erase_if(FListeners, [Owner](const auto& Entry) { return Entry.first == Owner; });
}

int TModalSeam::Exec(QDialog& Dialog) {
    FOpenDialogs.emplace_back(&Dialog);
    struct TForget {
        QDialog* Dialog;
        ~TForget() {
            std::erase_if(FOpenDialogs, [this](const QPointer<QDialog>& Open) {
                return Open.isNull() || Open.data() == Dialog;
            });
        }
    } forget{&Dialog};
    return Dialog.exec();
}

void TModalSeam::EndModals() {
    FEnding = true;
    // The innermost first: each closes its own event loop.
    if (FOpenMenu) FOpenMenu->close();
    const auto open = FOpenDialogs;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (*it) (*it)->reject();
    }
}

void TModalSeam::MessageBox(QWidget* Parent, const QString& Text, const QString& Caption,
                            QMessageBox::Icon Icon) {
    if (FEnding) return;
    const TModalScope scope;
    if (FTesting) {
        FShownMessages.push_back({Text, Caption, Icon, BoxParent(Parent)});
        return;
    }
    QMessageBox box(Icon, Caption, Text, QMessageBox::Ok, BoxParent(Parent));
    box.setTextFormat(Qt::PlainText);
    Exec(box);
}

bool TModalSeam::Question(QWidget* Parent, const QString& Text, const QString& Caption) {
    if (FEnding) return false;
    const TModalScope scope;
    if (FTesting) {
        FAskedQuestions.push_back(Text);
        if (FNextQuestionAnswers.empty()) return false;
        const bool yes = FNextQuestionAnswers.front();
        FNextQuestionAnswers.pop_front();
        return yes;
    }
    QMessageBox box(QMessageBox::Question, Caption, Text, QMessageBox::Yes | QMessageBox::No,
                    BoxParent(Parent));
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    return Exec(box) == QMessageBox::Yes;
}

QString TModalSeam::OpenFileName(QWidget* Parent, const QString& Folder) {
    if (FEnding) return {};
    const TModalScope scope;
    if (FTesting) {
        FFileDialogFolders.push_back(Folder);
        if (FNextFileNames.empty()) return {};
        QString name = FNextFileNames.front();
        FNextFileNames.pop_front();
        return name;
    }
    QFileDialog dialog(BoxParent(Parent));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(Folder);
    if (Exec(dialog) != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

int TModalSeam::ExecDialog(QDialog& Dialog) {
    if (FEnding) return QDialog::Rejected;
    const TModalScope scope;
    if (!FTesting) return Exec(Dialog);
    ++FDialogsShown;
    if (FNextDialogAnswers.empty()) return QDialog::Rejected;
    TDialogAnswer answer = std::move(FNextDialogAnswers.front());
    FNextDialogAnswers.pop_front();
    return answer(Dialog);
}

QAction* TModalSeam::ExecMenu(QMenu& Menu, const QPoint& At) {
    if (FEnding || FTesting) return nullptr;
    const TModalScope scope;
    FOpenMenu = &Menu;
    QAction* picked = Menu.exec(At);
    FOpenMenu = nullptr;
    return picked;
}

void TModalSeam::OpenUrl(const QUrl& Url) {
    if (FTesting) {
        FOpenedUrls.push_back(Url);
        return;
    }
    QDesktopServices::openUrl(Url);
}

void TModalSeam::BeginTesting() {
    FTesting = true;
    FEnding = false;
    FNextFileNames.clear();
    FNextQuestionAnswers.clear();
    FAskedQuestions.clear();
    FNextDialogAnswers.clear();
    FShownMessages.clear();
    FOpenedUrls.clear();
    FFileDialogFolders.clear();
    FDialogsShown = 0;
}

void TModalSeam::EndTesting() {
    FTesting = false;
    FEnding = false;
}

void TModalSeam::SetNextFileName(const QString& FileName) { FNextFileNames.push_back(FileName); }

void TModalSeam::SetNextQuestionAnswer(bool Yes) { FNextQuestionAnswers.push_back(Yes); }

const std::vector<QString>& TModalSeam::AskedQuestions() { return FAskedQuestions; }

void TModalSeam::SetNextDialogAnswer(TDialogAnswer Answer) {
    FNextDialogAnswers.push_back(std::move(Answer));
}

const std::vector<TModalSeam::TShownMessage>& TModalSeam::ShownMessages() { return FShownMessages; }

const std::vector<QUrl>& TModalSeam::OpenedUrls() { return FOpenedUrls; }
const std::vector<QString>& TModalSeam::FileDialogFolders() { return FFileDialogFolders; }

int TModalSeam::DialogsShown() { return FDialogsShown; }

}  // namespace vd::app
