// The keyboard after a window of the program closes: with no window manager
// to hand it back, the next shortcut must still reach the main window.

#include <QTest>
#include <QToolButton>

#include "documents/help_commands.h"
#include "documents_fixture.h"

namespace marivel::test {
namespace {

struct ClosedWindow {
    const char* name;
    // Opens the window and closes it again as a user would.
    std::function<void(TMainForm&)> openAndClose;
};

// Closes the modal window that comes up while command runs by Escape, once
// it has the keyboard, as a user would.
void EscapeFromModal(QAction* command) {
    QObject scope;
    QTimer::singleShot(0, &scope, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !QTest::qWaitFor([modal] { return QApplication::activeWindow() == modal; })) return;
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    command->trigger();
}

TEST_F(DocumentsTest, ClosingAWindowOfTheProgramGivesTheKeyboardBackToTheMainWindow) {
    const std::vector<ClosedWindow> cases = {
        {"About box", [](TMainForm& f) { EscapeFromModal(f.Actions().About1); }},
        {"HTML window", [](TMainForm& f) { EscapeFromModal(f.Actions().BuildHTML1); }},
        {"Web Browser dialog", [](TMainForm& f) { EscapeFromModal(f.Actions().WebBrowser1); }},
        {"Image Quality dialog", [](TMainForm& f) { EscapeFromModal(f.Actions().ImageQuality1); }},
        {"publish report", [](TMainForm& f) { EscapeFromModal(f.Actions().Publish1); }},
        {"templates dialog", [](TMainForm& f) { EscapeFromModal(f.Actions().Templet1); }},
        {"help window",
         [](TMainForm& f) {
             f.findChild<QToolButton*>("SpeedButton1")->click();
             QWidget& help = f.Help().HelpWindow();
             ASSERT_TRUE(QTest::qWaitFor([&help] { return QApplication::activeWindow() == &help; }));
             QTest::keyClick(&help, Qt::Key_Escape);
             ASSERT_FALSE(help.isVisible());
         }},
    };
    for (const ClosedWindow& c : cases) {
        SCOPED_TRACE(c.name);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        prompter.clear();
        c.openAndClose(*form);
        EXPECT_FALSE(QApplication::activeModalWidget());
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }, 2000));

        // What the user types next is saved by the shortcut.
        const QString typed = QString::fromLatin1(c.name).replace(' ', '_');
        const QString file = path(typed + ".mvl");
        type(typed);
        prompter.queuePath(file);
        QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(fileHas(file, typed.toStdString() + "#$@"));
        form->SetCurrentFileName(QString());
    }
}

}  // namespace
}  // namespace marivel::test
