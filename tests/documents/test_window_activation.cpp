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
    std::function<void(MainWindow&)> openAndClose;
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
        {"About box", [](MainWindow& f) { EscapeFromModal(f.mainActions().aboutAction); }},
        {"HTML window", [](MainWindow& f) { EscapeFromModal(f.mainActions().buildHtmlAction); }},
        {"Web Browser dialog", [](MainWindow& f) { EscapeFromModal(f.mainActions().webBrowserAction); }},
        {"Image Quality dialog", [](MainWindow& f) { EscapeFromModal(f.mainActions().ImageQuality1); }},
        {"publish report", [](MainWindow& f) { EscapeFromModal(f.mainActions().publishAction); }},
        {"templates dialog", [](MainWindow& f) { EscapeFromModal(f.mainActions().templatesAction); }},
        {"help window",
         [](MainWindow& f) {
             f.findChild<QToolButton*>("SpeedButton1")->click();
             QWidget& help = f.helpCommands().helpPageWindow();
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
        form->editor().setCurrentFileName(QString());
    }
}

}  // namespace
}  // namespace marivel::test
