#pragma once
// Everything modal goes through here: message boxes, the file-open dialog,
// modal dialogs and opening addresses in the browser. In the program each
// shows the real thing. A test switches the seam to testing and arms the
// next answers; from then on nothing modal is ever shown, so an offscreen
// test cannot hang on a box nobody closes.
//
// A box never gets a hidden or minimized parent: several window managers
// keep such a parent's children out of sight until it is restored, and the
// program would wait for an answer nobody sees. Without one it comes up on
// top of the current desktop.
//
// Every box shows its text as plain text: much of it comes from servers
// (FTP replies, SFTP status texts), and rich text would let anyone on the
// path put a clickable link into a box that looks like the program's own.

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace vd::app {

class TModalSeam final {
  public:
    struct TShownMessage {
        QString Text;
        QString Caption;
        QMessageBox::Icon Icon;
        QWidget* Parent;  // the parent the box got
    };
    using TDialogAnswer = std::function<int(QDialog&)>;
    /// Told true before anything modal shows, false once it has closed.
    using TModalListener = std::function<void(bool Open)>;

    /// A modal box with one OK button.
    static void MessageBox(QWidget* Parent, const QString& Text, const QString& Caption,
                           QMessageBox::Icon Icon);
    /// A question with Yes and No buttons; true for Yes.
    static bool Question(QWidget* Parent, const QString& Text, const QString& Caption);
    /// The file the user picks, starting in `Folder`; empty text when the
    /// user cancels.
    static QString OpenFileName(QWidget* Parent, const QString& Folder);
    /// Runs `Dialog` modally and gives its result.
    static int ExecDialog(QDialog& Dialog);
    /// A popup menu at `At` (global); the action picked, or none. Under
    /// testing no menu shows and none is picked.
    static QAction* ExecMenu(QMenu& Menu, const QPoint& At);
    /// Opens an address with the desktop's default handler.
    static void OpenUrl(const QUrl& Url);

    /// The parent a box gets for `Candidate`: its window when that is on
    /// screen and not minimized, none otherwise.
    static QWidget* BoxParent(QWidget* Candidate);

    /// Listeners are told in the order they were added when something
    /// modal opens, and in the reverse order after it has closed; also
    /// while testing. `Owner` names them for removal.
    static void AddModalListener(const void* Owner, TModalListener Listener);
    static void RemoveModalListeners(const void* Owner);

    /// The program is ending: every box and dialog that is open closes as
    /// if cancelled, and none shows from now on (messages are dropped,
    /// questions answered No, dialogs rejected).
    static void EndModals();
    static bool Ending() { return FEnding; }

    // For tests.
    static void BeginTesting();  // clears every armed answer and record
    /// Real boxes again, for a test of the boxes themselves.
    static void EndTesting();
    static void SetNextFileName(const QString& FileName);
    /// The next questions are answered in order; one without an armed
    /// answer gets No.
    static void SetNextQuestionAnswer(bool Yes);
    static const std::vector<QString>& AskedQuestions();
    /// The next dialogs are answered in order by these functions, which may
    /// fill the dialog's fields; a dialog without an armed answer is rejected.
    static void SetNextDialogAnswer(TDialogAnswer Answer);
    static const std::vector<TShownMessage>& ShownMessages();
    static const std::vector<QUrl>& OpenedUrls();
    /// The folders the file dialog was asked to start in.
    static const std::vector<QString>& FileDialogFolders();
    static int DialogsShown();

  private:
    class TModalScope;
    /// Runs `Dialog` modally, closable by EndModals while it is open.
    static int Exec(QDialog& Dialog);

    static bool FEnding;
    static std::vector<QPointer<QDialog>> FOpenDialogs;
    static QPointer<QMenu> FOpenMenu;
    static std::vector<std::pair<const void*, TModalListener>> FListeners;
    static bool FTesting;
    static std::deque<QString> FNextFileNames;
    static std::deque<bool> FNextQuestionAnswers;
    static std::vector<QString> FAskedQuestions;
    static std::deque<TDialogAnswer> FNextDialogAnswers;
    static std::vector<TShownMessage> FShownMessages;
    static std::vector<QUrl> FOpenedUrls;
    static std::vector<QString> FFileDialogFolders;
    static int FDialogsShown;
};

}  // namespace vd::app
