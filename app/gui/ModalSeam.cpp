#include "app/gui/ModalSeam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>

namespace vd::app {

bool TModalSeam::FTesting = false;
std::deque<QString> TModalSeam::FNextFileNames;
std::deque<bool> TModalSeam::FNextQuestionAnswers;
std::vector<QString> TModalSeam::FAskedQuestions;
std::deque<TModalSeam::TDialogAnswer> TModalSeam::FNextDialogAnswers;
std::vector<TModalSeam::TShownMessage> TModalSeam::FShownMessages;
std::vector<QUrl> TModalSeam::FOpenedUrls;
int TModalSeam::FDialogsShown = 0;

void TModalSeam::MessageBox(QWidget* Parent, const QString& Text, const QString& Caption,
                            QMessageBox::Icon Icon) {
    if (FTesting) {
        FShownMessages.push_back({Text, Caption, Icon});
        return;
    }
    QMessageBox box(Icon, Caption, Text, QMessageBox::Ok, Parent);
    box.exec();
}

bool TModalSeam::Question(QWidget* Parent, const QString& Text, const QString& Caption) {
    if (FTesting) {
        FAskedQuestions.push_back(Text);
        if (FNextQuestionAnswers.empty()) return false;
        const bool yes = FNextQuestionAnswers.front();
        FNextQuestionAnswers.pop_front();
        return yes;
    }
    return QMessageBox::question(Parent, Caption, Text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString TModalSeam::OpenFileName(QWidget* Parent) {
    if (FTesting) {
        if (FNextFileNames.empty()) return {};
        QString name = FNextFileNames.front();
        FNextFileNames.pop_front();
        return name;
    }
    return QFileDialog::getOpenFileName(Parent);
}

int TModalSeam::ExecDialog(QDialog& Dialog) {
    if (!FTesting) return Dialog.exec();
    ++FDialogsShown;
    if (FNextDialogAnswers.empty()) return QDialog::Rejected;
    TDialogAnswer answer = std::move(FNextDialogAnswers.front());
    FNextDialogAnswers.pop_front();
    return answer(Dialog);
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
    FNextFileNames.clear();
    FNextQuestionAnswers.clear();
    FAskedQuestions.clear();
    FNextDialogAnswers.clear();
    FShownMessages.clear();
    FOpenedUrls.clear();
    FDialogsShown = 0;
}

void TModalSeam::SetNextFileName(const QString& FileName) { FNextFileNames.push_back(FileName); }

void TModalSeam::SetNextQuestionAnswer(bool Yes) { FNextQuestionAnswers.push_back(Yes); }

const std::vector<QString>& TModalSeam::AskedQuestions() { return FAskedQuestions; }

void TModalSeam::SetNextDialogAnswer(TDialogAnswer Answer) {
    FNextDialogAnswers.push_back(std::move(Answer));
}

const std::vector<TModalSeam::TShownMessage>& TModalSeam::ShownMessages() { return FShownMessages; }

const std::vector<QUrl>& TModalSeam::OpenedUrls() { return FOpenedUrls; }

int TModalSeam::DialogsShown() { return FDialogsShown; }

}  // namespace vd::app
