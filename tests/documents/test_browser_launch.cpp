// Previews that start real programs through the desktop shell: a browser
// the user named and the desktop's opener, both stand-in scripts that record
// the arguments they were given.
#include <QElapsedTimer>

#include "documents/launch_recorder.h"
#include "documents/preview_commands.h"
#include "documents/preview_fixture.h"
#include "platform/shell.h"

namespace marivel::test {
namespace {

class RealLaunch : public PreviewTest {
protected:
    void SetUp() override {
        shell = &desktop;
        PreviewTest::SetUp();
        addItem(photo("a.jpg", 320, 200));
    }
    std::string page() const { return (preview() / "~preview.html").string(); }

    DesktopShell desktop;
};

TEST_F(RealLaunch, TheOwnBrowserProgramGetsThePagePathAsOneArgument) {
    const fs::path record = dir / "launched.txt";
    WriteRecorder(dir / "my browser" / "run", record);
    ChooseOwnProgram(settings, dir / "my browser" / "run");
    ASSERT_NE(page().find(' '), std::string::npos) << "the path must hold a blank";

    actions().previewAction->trigger();
    EXPECT_TRUE(prompter.asked().empty());
    EXPECT_EQ(hint(), "");
    EXPECT_EQ(WaitForRecord(record), (std::vector<std::string>{"1", page()}));
    EXPECT_TRUE(fs::is_regular_file(page()));
}

TEST_F(RealLaunch, TheDefaultBrowserOpensThroughTheDesktopOpener) {
    const fs::path record = dir / "launched.txt";
    WriteRecorder(dir / "bin" / "xdg-open", record);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString((dir / "bin").string()) + ":" + path);
    actions().previewAction->trigger();
    qputenv("PATH", path);

    EXPECT_TRUE(prompter.asked().empty());
    EXPECT_EQ(hint(), "");
    const auto lines = WaitForRecord(record);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "1");
    // A desktop's own services hand over the address, the fallback the path.
    const QString argument = QString::fromStdString(lines[1]);
    EXPECT_TRUE(argument == QString::fromStdString(page()) ||
                QUrl(argument).toLocalFile() == QString::fromStdString(page()))
        << lines[1];
}

TEST_F(RealLaunch, AnOwnProgramThatIsNotThereIsNamedInAnErrorAndOnTheHintLine) {
    ChooseOwnProgram(settings, dir / "no such browser");
    actions().previewAction->trigger();
    EXPECT_EQ(hint(), PreviewCommands::kBrowserNotStarted);
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::Error), 1);
    EXPECT_EQ(prompter.last()->text, QStringLiteral("The web browser could not be started: \"%1\" \"%2\".")
                                         .arg(QString::fromStdString((dir / "no such browser").string()),
                                              QString::fromStdString(page())));
}

// A browser that starts and quits at once with an error is named, with what
// it said; one that runs on, or ends well, is not reported.
TEST_F(RealLaunch, AnOwnProgramThatEndsWithAnErrorIsNamedWithWhatItSaid) {
    const fs::path browser = dir / "bad browser";
    WriteBytes(browser, "#!/bin/sh\necho \"cannot open display\" >&2\nexit 3\n");
    fs::permissions(browser, fs::perms::owner_all);
    ChooseOwnProgram(settings, browser);
    actions().previewAction->trigger();
    QElapsedTimer waited;
    waited.start();
    while (prompter.asked().empty() && waited.elapsed() < DesktopShell::kWatchMilliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::Error), 1);
    const QString text = prompter.last()->text;
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("The web browser did not start: the command \"%1\" \"%2\" ended "
                                       "with exit code 3.")
                            .arg(QString::fromStdString(browser.string()), QString::fromStdString(page()))))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("It said:\ncannot open display"))) << text.toStdString();

    // The same browser fixed: it ends well, and nothing more is said.
    const fs::path record = dir / "launched.txt";
    WriteRecorder(browser, record);
    prompter.clear();
    actions().previewAction->trigger();
    WaitForRecord(record);
    waited.restart();
    while (waited.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(prompter.asked().empty());
}

}  // namespace
}  // namespace marivel::test
