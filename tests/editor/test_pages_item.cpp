// The "Item General" page, its two pickers with the link tip, and the check
// that keeps the record separator out of every bound text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <vector>

#include "editor/item_page.h"
#include "editor/link_tip_dialog.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "editor/separator_check.h"
#include "platform/memory_settings_store.h"
#include "support/qt_printers.h"
#include "support/scripted_prompter.h"

namespace marivel {
namespace {

using Hive = SettingsStore::Hive;
using test::ScriptedPrompter;

class ItemPageTest : public ::testing::Test {
protected:
    template <typename T>
    T* child(const char* name) {
        T* w = page.findChild<T*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    QString link() { return child<QComboBox>("cmbx_ILink")->currentText(); }
    void storeShowTip(int value) {
        settings.writeInteger(Hive::CurrentUser, kSettingsKey, QStringLiteral("ShowLinkTipDialog"), value);
    }
    SettingsStore::Read<qint32> showTip() const {
        return settings.readInteger(Hive::CurrentUser, kSettingsKey, QStringLiteral("ShowLinkTipDialog"));
    }

    // Clicks the link button; while the tip is up, act() plays the user and
    // the tip is closed with OK. Answers how many tips were shown.
    int clickLink(const std::function<void(LinkTipDialog&)>& act = {}) {
        int shown = 0;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* tip = qobject_cast<LinkTipDialog*>(QApplication::activeModalWidget());
            if (!tip || !tip->isVisible()) return;
            ++shown;
            EXPECT_EQ(tip->windowTitle(), "Important Tip");
            EXPECT_FALSE(tip->checkBox()->isChecked());
            if (act) act(*tip);
            tip->okButton()->click();
        });
        poll.start();
        child<QToolButton>("spdbtnItURL")->click();
        poll.stop();
        return shown;
    }

    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    ItemPage page{prompter, settings};
};

TEST_F(ItemPageTest, LoadShowsTrimmedFieldsAndCommitBuildsAFreshRecord) {
    SliderItem stored;
    stored.ImageFile = "slider1.jpg";
    stored.OriginalImagePath = "  /pics/a.jpg ";
    stored.Link = "\thttp://example.com/ ";
    stored.Target = " _blank";
    stored.ToolTip = "A tip  ";
    stored.ImageWidth = "160";
    stored.ImageHeight = "120";
    stored.Level = "1";
    stored.Reserved = "r";
    page.load(stored);
    EXPECT_EQ(child<QLineEdit>("edtOriginalImagePath")->text(), "/pics/a.jpg");
    EXPECT_EQ(link(), "http://example.com/");

    child<QLineEdit>("edt_IToolTip")->setText(QStringLiteral("  typed tip \t"));
    SliderItem expected;
    expected.OriginalImagePath = "/pics/a.jpg";
    expected.Link = "http://example.com/";
    expected.Target = "_blank";
    expected.ToolTip = "typed tip";
    EXPECT_EQ(page.commit(), expected);
}

TEST_F(ItemPageTest, ListsOfferTheUsualSchemesAndTargetsAndAcceptTypedText) {
    auto* target = child<QComboBox>("cmbx_ITarget");
    auto* url = child<QComboBox>("cmbx_ILink");
    EXPECT_TRUE(target->isEditable());
    EXPECT_EQ(target->count(), 6);
    EXPECT_EQ(target->itemText(4), "_search");
    EXPECT_EQ(url->itemText(2), "javascript:");
    QTest::keyClicks(target->lineEdit(), QStringLiteral("frameA"));
    QTest::keyClick(target->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(target->count(), 6);
    EXPECT_EQ(page.commit().Target, "frameA");
}

TEST_F(ItemPageTest, TypingInEveryFieldMarksModifiedButShowingAPathDoesNot) {
    QSignalSpy modified(&page, &ItemPage::modified);
    page.showImagePath("/shown.jpg");
    EXPECT_EQ(modified.count(), 0);
    QTest::keyClicks(child<QLineEdit>("edtOriginalImagePath"), QStringLiteral("x"));
    EXPECT_EQ(modified.count(), 1);
    modified.clear();
    QTest::keyClicks(child<QComboBox>("cmbx_ILink")->lineEdit(), QStringLiteral("h"));
    QTest::keyClicks(child<QComboBox>("cmbx_ITarget")->lineEdit(), QStringLiteral("t"));
    QTest::keyClicks(child<QLineEdit>("edt_IToolTip"), QStringLiteral("x"));
    EXPECT_EQ(modified.count(), 3);
}

TEST_F(ItemPageTest, PictureDialogSetsThePathAndCancelKeepsIt) {
    QSignalSpy modified(&page, &ItemPage::modified);
    auto* path = child<QLineEdit>("edtOriginalImagePath");
    path->setText(QStringLiteral("/old/pic.jpg"));
    prompter.queuePath(QStringLiteral("/home/a/new pic.jpeg"));
    child<QToolButton>("spdbtnOriginalImagePath")->click();
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::OpenPicture), 1);
    EXPECT_EQ(prompter.last()->filter, "All Image Files (*.jpg *.jpeg)");
    EXPECT_EQ(prompter.last()->directory, "/old");
    EXPECT_EQ(path->text(), "/home/a/new pic.jpeg");

    prompter.setStrict(false);  // no answer: the dialog is cancelled
    child<QToolButton>("spdbtnOriginalImagePath")->click();
    EXPECT_EQ(path->text(), "/home/a/new pic.jpeg");
    EXPECT_EQ(modified.count(), 1);  // the pick, not the cancel
}

TEST_F(ItemPageTest, LocalFilesBecomeFileUrls) {
    struct Row {
        QString path, url;
    };
    for (const Row& row :
         {Row{"/home/a/site/x.html", "file:///home/a/site/x.html"},
          Row{"/srv/b:c/page.htm", "file:///srv/b:c/page.htm"},
          Row{"C:\\web\\news\\index.html", "file:///C|/web/news/index.html"},
          Row{"C:\\Site\\a.htm", "file:///C|/Site/a.htm"}, Row{"d:/x/y.html", "file:///d|/x/y.html"}}) {
        EXPECT_EQ(ItemPage::fileUrl(row.path), row.url) << row.path.toStdString();
    }
}

TEST_F(ItemPageTest, LinkPickerPutsTheFileUrlIntoTheUrlBoxAndMarksModified) {
    storeShowTip(0);
    QSignalSpy modified(&page, &ItemPage::modified);
    prompter.queuePath(QStringLiteral("/home/a/site/x.html"));
    EXPECT_EQ(clickLink(), 0);
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::OpenFile), 1);
    EXPECT_EQ(prompter.last()->filter, "HTML files (*.htm *.html);;Any file (*)");
    EXPECT_EQ(link(), "file:///home/a/site/x.html");
    EXPECT_GE(modified.count(), 1);
    EXPECT_EQ(page.commit().Link, "file:///home/a/site/x.html");

    modified.clear();
    prompter.setStrict(false);
    EXPECT_EQ(clickLink(), 0);
    EXPECT_EQ(link(), "file:///home/a/site/x.html");
    EXPECT_EQ(modified.count(), 0);
}

TEST_F(ItemPageTest, TickingTheTipBoxSkipsTheTipNextTime) {
    prompter.setStrict(false);
    EXPECT_EQ(showTip().status, SettingsStore::Status::Missing);
    EXPECT_EQ(clickLink([](LinkTipDialog& tip) { tip.checkBox()->click(); }), 1);
    EXPECT_EQ(showTip().status, SettingsStore::Status::Ok);
    EXPECT_EQ(showTip().value, 0);
    EXPECT_TRUE(settings.keyExists(Hive::CurrentUser, QStringLiteral("\\Software\\Kelt")));
    EXPECT_TRUE(settings.keyExists(Hive::CurrentUser, QStringLiteral("\\Software\\Kelt\\Marivel\\1.1")));
    EXPECT_EQ(clickLink(), 0);
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::OpenFile), 2);

    // Stored as "show" again by hand, any non-zero number counts.
    storeShowTip(7);
    EXPECT_EQ(clickLink(), 1);
}

TEST_F(ItemPageTest, UntickingBeforeClosingBringsTheTipBack) {
    prompter.setStrict(false);
    EXPECT_EQ(clickLink([](LinkTipDialog& tip) {
                  tip.checkBox()->click();
                  tip.checkBox()->click();
              }),
              1);
    EXPECT_EQ(showTip().value, 1);
    EXPECT_EQ(clickLink(), 1);
}

TEST_F(ItemPageTest, UnreadableTipSettingSkipsTheTip) {
    prompter.setStrict(false);
    settings.writeString(Hive::CurrentUser, kSettingsKey, QStringLiteral("ShowLinkTipDialog"),
                         QStringLiteral("yes"));
    EXPECT_EQ(clickLink(), 0);
    EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::OpenFile), 1);
}

TEST_F(ItemPageTest, FailedWriteIsReportedOnlyWhenBringingTheTipBack) {
    prompter.setStrict(false);
    EXPECT_EQ(clickLink([this](LinkTipDialog& tip) {
                  settings.setFailing(true);
                  tip.checkBox()->click();  // tick: ignored
                  EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Error), 0);
                  tip.checkBox()->click();  // untick: reported
                  settings.setFailing(false);
              }),
              1);
    ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::Error), 1);
    const auto& error = prompter.asked()[0];
    EXPECT_EQ(error.kind, ScriptedPrompter::Kind::Error);
    EXPECT_TRUE(error.caption.isEmpty() || error.caption == "Tessaline");
    EXPECT_FALSE(error.text.isEmpty());
}

// Every text of the tip is shown whole, at the default font and at larger
// ones, and the window is never smaller than its designed size.
TEST_F(ItemPageTest, LinkTipFitsItsTextsAtAnyFontSize) {
    const QFont standard = QApplication::font();
    for (const double scale : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        QFont font = standard;
        font.setPointSizeF(standard.pointSizeF() * scale);
        LinkTipDialog tip(settings, prompter);
        if (scale != 1.0) tip.setFont(font);
        tip.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tip));
        EXPECT_EQ(tip.focusWidget(), tip.okButton());
        const QSize client = tip.size();
        EXPECT_GE(client.width(), 297);
        EXPECT_GE(client.height(), 129);
        auto* text = tip.findChild<QLabel*>(QStringLiteral("lblTip"));
        ASSERT_NE(text, nullptr);
        for (QWidget* w : {static_cast<QWidget*>(tip.checkBox()), static_cast<QWidget*>(tip.okButton())}) {
            SCOPED_TRACE(w->objectName().toStdString());
            EXPECT_GE(w->width(), w->sizeHint().width());
            EXPECT_GE(w->height(), w->sizeHint().height());
        }
        EXPECT_GE(text->height(), text->heightForWidth(text->width()));
        for (QWidget* w : {static_cast<QWidget*>(text), static_cast<QWidget*>(tip.checkBox()),
                           static_cast<QWidget*>(tip.okButton())}) {
            EXPECT_TRUE(tip.rect().contains(w->geometry())) << w->objectName().toStdString();
        }
        EXPECT_FALSE(tip.checkBox()->geometry().intersects(tip.okButton()->geometry()));
        EXPECT_FALSE(text->geometry().intersects(tip.checkBox()->geometry()));
        tip.close();
    }
}

// --- separator check ----------------------------------------------------------

// The seven texts of the pages that are fields of the project file.
struct BoundText {
    QWidget* page;
    const char* name;
};
std::vector<BoundText> BoundTexts(ScriptPage& script, PathPage& path, ItemPage& item) {
    return {{&script, "edt_pSliderName"},
            {&path, "edtpInternalUse_RootDir_Local"},
            {&path, "edtpInternalUse_RootDir_Remote"},
            {&item, "edtOriginalImagePath"},
            {&item, "cmbx_ILink"},
            {&item, "cmbx_ITarget"},
            {&item, "edt_IToolTip"}};
}

TEST(SeparatorCheckTest, EveryBoundTextRefusesTheSeparator) {
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    ScriptPage script(prompter, settings);
    PathPage path(prompter, settings);
    ItemPage item(prompter, settings);
    for (const BoundText& row : BoundTexts(script, path, item)) {
        prompter.clear();
        QWidget* control = row.page->findChild<QWidget*>(QLatin1String(row.name));
        ASSERT_NE(control, nullptr) << row.name;
        auto* combo = qobject_cast<QComboBox*>(control);
        QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(control);
        ASSERT_NE(edit, nullptr) << row.name;
        edit->setText(QStringLiteral("ok"));
        QTest::keyClicks(edit, QStringLiteral("#$"));
        EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::WarningYesOnly), 0) << row.name;
        QTest::keyClicks(edit, QStringLiteral("@x"));
        ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::WarningYesOnly), 1) << row.name;
        EXPECT_EQ(prompter.last()->text, "The text can't include \"#$@\", it is used by system!");
        EXPECT_EQ(edit->text(), "x") << row.name;  // emptied, then the next key typed

        edit->setText(QStringLiteral("pasted a#$@b"));
        EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::WarningYesOnly), 2) << row.name;
        EXPECT_TRUE(edit->text().isEmpty()) << row.name;
    }
}

// A bound text is one field of a line of the project file: a line break
// pasted into any of them would split that line. The edit shows it as a
// blank, and a blank is what it keeps.
TEST(BoundTextTest, PastedLineBreaksBecomeTheBlanksTheEditShows) {
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    ScriptPage script(prompter, settings);
    PathPage path(prompter, settings);
    ItemPage item(prompter, settings);
    struct Paste {
        QString clip, result;
        int cursor;  // after the paste
    };
    const Paste pastes[] = {
        {QStringLiteral("a\r\nb"), QStringLiteral("<a b>"), 4},
        {QStringLiteral("one\ntwo\rthree\n"), QStringLiteral("<one two three >"), 15},
        {QStringLiteral("\r\n\r\n"), QStringLiteral("<  >"), 3},
    };
    for (const BoundText& row : BoundTexts(script, path, item)) {
        QWidget* control = row.page->findChild<QWidget*>(QLatin1String(row.name));
        ASSERT_NE(control, nullptr) << row.name;
        auto* combo = qobject_cast<QComboBox*>(control);
        QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(control);
        ASSERT_NE(edit, nullptr) << row.name;
        for (const Paste& paste : pastes) {
            edit->setText(QStringLiteral("<>"));
            edit->setCursorPosition(1);
            QApplication::clipboard()->setText(paste.clip);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(edit->text(), paste.result) << row.name;
            EXPECT_EQ(edit->cursorPosition(), paste.cursor) << row.name;
        }
    }
    // What reaches the records has no line break either.
    item.findChild<QLineEdit*>("edt_IToolTip")->setFocus();
    SliderSettings applet;
    script.apply(applet);
    path.apply(applet);
    const SliderItem record = item.commit();
    for (const std::string& field : {applet.SliderName, applet.RootDirLocal, applet.RootDirRemote,
                                     record.OriginalImagePath, record.Link, record.Target, record.ToolTip})
        EXPECT_EQ(field.find_first_of("\r\n"), std::string::npos) << field;
}

}  // namespace
}  // namespace marivel
