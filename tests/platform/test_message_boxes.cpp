// The real message boxes show their text as plain text: a project's texts and
// file names reach them, and markup there must not become headings, links or
// pictures.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "platform/qt_prompter.h"

namespace marivel {
namespace {

TEST(QtPrompterBoxes, EveryBoxShowsItsTextAsPlainText) {
    const QString markup =
        QStringLiteral("<h1>Big</h1><a href=\"http://example.com\">link</a><img src=\"/x.png\">");
    QtPrompter prompter;
    Prompter::Answer answer = Prompter::Answer::Yes;
    const std::function<void()> boxes[] = {
        [&] { prompter.error(nullptr, markup); },
        [&] { answer = prompter.yesNo(nullptr, markup); },
        [&] { answer = prompter.yesNoCancel(nullptr, markup); },
        [&] { answer = prompter.okCancel(nullptr, markup); },
        [&] { prompter.warningYesOnly(nullptr, markup); },
        [&] { prompter.information(nullptr, "About", markup); },
    };
    for (std::size_t k = 0; k < std::size(boxes); ++k) {
        SCOPED_TRACE(k);
        Qt::TextFormat format = Qt::RichText;
        QString text;
        QTimer user;  // reads the box, then closes it with Escape's button
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            format = box->textFormat();
            text = box->text();
            (box->escapeButton() ? box->escapeButton() : box->buttons().front())->click();
        });
        user.start(10);
        answer = Prompter::Answer::Yes;
        boxes[k]();
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(text, markup);
        if (k == 3) {
            EXPECT_EQ(answer, Prompter::Answer::Cancel);  // OK/Cancel: Escape is Cancel
        }
    }
}

// A file named in the dialogs' start path is chosen already: the user's
// Enter takes it, for a page that exists and for a name to save under.
TEST(QtPrompterFileDialogs, EnterTakesTheFileNamedInTheStartPath) {
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("index.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    QtPrompter prompter;
    QTimer user;  // presses Enter in the dialog
    QObject::connect(&user, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : dialog;
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(focus, &enter);
    });
    user.start(20);
    const QString opened = prompter.openFile(nullptr, QStringLiteral("Insert into Page"),
                                             QStringLiteral("Web pages (*.html)"), page.fileName());
    const QString saved =
        prompter.saveFile(nullptr, QStringLiteral("Save As"), QStringLiteral("Projects (*.mvl)"),
                          dir.filePath(QStringLiteral("slider.mvl")), false);
    EXPECT_EQ(QDir::cleanPath(opened), QDir::cleanPath(page.fileName()));
    EXPECT_EQ(QDir::cleanPath(saved), QDir::cleanPath(dir.filePath(QStringLiteral("slider.mvl"))));
}

}  // namespace
}  // namespace marivel
