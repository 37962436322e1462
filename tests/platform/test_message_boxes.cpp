// The real message boxes show their text as plain text: a project's texts and
// file names reach them, and markup there must not become headings, links or
// pictures.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
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

// A file named in the dialogs' start path is chosen already: Enter takes it,
// a page that exists and a name to save under alike.
TEST(QtPrompterFileDialogs, EnterTakesTheFileNamedInTheStartPath) {
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("index.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : dialog, &enter);
    });
    user.start(20);
    QtPrompter prompter;
    const QString project = dir.filePath(QStringLiteral("slider.mvl"));
    EXPECT_EQ(
        prompter.openFile(nullptr, QStringLiteral("Page"), QStringLiteral("Pages (*.html)"), page.fileName()),
        page.fileName());
    EXPECT_EQ(prompter.saveFile(nullptr, QStringLiteral("Save"), QStringLiteral("Projects (*.mvl)"), project,
                                false),
              project);
}

}  // namespace
}  // namespace marivel
