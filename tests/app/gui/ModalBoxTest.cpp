// The real boxes, not the seam's records: text from a server shows as it
// is, and the end of the session closes whatever box is open.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <functional>

#include "app/gui/ModalSeam.h"

namespace vd::app {
namespace {

// A 530 reply as an attacker on the path of plain FTP could send it.
const QString kHostileText =
    QStringLiteral("530 <b>Session expired.</b> <a href='http://phish.example/'>Click here</a>");

class ModalBoxTest : public ::testing::Test {
  protected:
    void SetUp() override { TModalSeam::EndTesting(); }
    void TearDown() override { TModalSeam::BeginTesting(); }

    // Runs `Inspect` on the box that opens next, from inside its event loop.
    // A box still open after a few seconds fails the test and is closed, so
    // that a fault cannot hang the suite.
    static void WhenBoxOpens(std::function<void(QWidget&)> Inspect) {
        QTimer::singleShot(0, [Inspect = std::move(Inspect)] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) {
                ADD_FAILURE() << "no box is open";
                return;
            }
            Inspect(*box);
        });
        ArmSafetyNet();
    }

    static void ArmSafetyNet() {
        QTimer::singleShot(5000, [] {
            while (QWidget* box = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a box stayed open: " << box->metaObject()->className();
                box->close();
            }
        });
    }

    // The format of the label that carries `Text` in `Box`.
    static Qt::TextFormat FormatOfLabelWith(QWidget& Box, const QString& Text) {
        for (const QLabel* label : Box.findChildren<QLabel*>()) {
            if (label->text() == Text) return label->textFormat();
        }
        ADD_FAILURE() << "no label shows the text";
        return Qt::AutoText;
    }
};

TEST_F(ModalBoxTest, ServerTextShowsAsPlainTextInMessagesAndQuestions) {
    Qt::TextFormat messageFormat = Qt::AutoText;
    Qt::TextFormat questionFormat = Qt::AutoText;
    WhenBoxOpens([&](QWidget& Box) {
        messageFormat = FormatOfLabelWith(Box, kHostileText);
        Box.close();
    });
    TModalSeam::MessageBox(nullptr, kHostileText, QStringLiteral("Velodrop"),
                           QMessageBox::Critical);
    WhenBoxOpens([&](QWidget& Box) {
        questionFormat = FormatOfLabelWith(Box, kHostileText);
        Box.close();
    });
    EXPECT_FALSE(TModalSeam::Question(nullptr, kHostileText, QStringLiteral("Velodrop")));
    EXPECT_EQ(messageFormat, Qt::PlainText);
    EXPECT_EQ(questionFormat, Qt::PlainText);
}

TEST_F(ModalBoxTest, TheEndOfTheSessionClosesOpenBoxesAndShowsNoMore) {
    // A question asked from inside an open message box, as the exit's
    // clean-up might: both close, the question as answered No.
    bool answer = true;
    WhenBoxOpens([&](QWidget&) {
        WhenBoxOpens([](QWidget&) { TModalSeam::EndModals(); });
        answer =
            TModalSeam::Question(nullptr, QStringLiteral("Remove?"), QStringLiteral("Velodrop"));
    });
    TModalSeam::MessageBox(nullptr, QStringLiteral("An error"), QStringLiteral("Velodrop"),
                           QMessageBox::Critical);
    EXPECT_FALSE(answer);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // From now on nothing modal shows; a box would stay open until the
    // safety net closed it and failed the test.
    ArmSafetyNet();
    TModalSeam::MessageBox(nullptr, QStringLiteral("Later"), QStringLiteral("Velodrop"),
                           QMessageBox::Critical);
    EXPECT_FALSE(
        TModalSeam::Question(nullptr, QStringLiteral("Later?"), QStringLiteral("Velodrop")));
    EXPECT_TRUE(TModalSeam::OpenFileName(nullptr, QString()).isEmpty());
    QDialog dialog;
    EXPECT_EQ(TModalSeam::ExecDialog(dialog), QDialog::Rejected);
    EXPECT_TRUE(TModalSeam::Ending());
}

}  // namespace
}  // namespace vd::app
