// The real message boxes show their text as plain text: a project's texts and
// file names reach them, and markup there must not become headings, links or
// pictures.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "platform/qt_prompter.h"

namespace marivel {
namespace {

TEST(QtPrompterBoxes, EveryBoxShowsItsTextAsPlainText) {
    const QString markup =
        QStringLiteral("<h1>Big</h1><a href=\"http://example.com\">link</a><img src=\"/x.png\">");
    QtPrompter prompter;
    struct Row {
        const char* name;
        std::function<void()> show;
        QStringList buttons;  // their texts, in the order added
    };
    Prompter::Answer answer = Prompter::Answer::Yes;
    const Row rows[] = {
        {"error", [&] { prompter.error(nullptr, markup); }, {"OK"}},
        {"yes/no", [&] { answer = prompter.yesNo(nullptr, markup); }, {"&Yes", "&No"}},
        {"yes/no/cancel", [&] { answer = prompter.yesNoCancel(nullptr, markup); }, {"&Yes", "&No", "Cancel"}},
        {"OK/cancel", [&] { answer = prompter.okCancel(nullptr, markup); }, {"OK", "Cancel"}},
        {"warning", [&] { prompter.warningYesOnly(nullptr, markup); }, {"&Yes"}},
        {"information", [&] { prompter.information(nullptr, "About", markup); }, {"OK"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Qt::TextFormat format = Qt::RichText;
        QString text;
        QStringList buttons;
        QTimer user;  // reads the box, then closes it with Escape's button
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            format = box->textFormat();
            text = box->text();
            for (QAbstractButton* button : box->buttons()) buttons << button->text();
            (box->escapeButton() ? box->escapeButton() : box->buttons().front())->click();
        });
        user.start(10);
        answer = Prompter::Answer::Yes;
        r.show();
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(text, markup);
        for (const QString& expected : r.buttons)
            EXPECT_TRUE(buttons.contains(expected)) << expected.toStdString();
        if (std::string(r.name) == "OK/cancel") {
            EXPECT_EQ(answer, Prompter::Answer::Cancel);  // Escape is Cancel
        }
    }
}

}  // namespace
}  // namespace marivel
