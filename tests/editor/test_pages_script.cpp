// The "Script" and "Path" pages: what a commit writes into the slider record,
// what a load shows, and the spin edits' text rules.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "editor/color_swatch.h"
#include "editor/item_page.h"
#include "editor/page_controls.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "editor/spin_edit.h"
#include "model/agent.h"
#include "model/error.h"
#include "platform/memory_settings_store.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace marivel {
namespace {

using test::ScriptedPrompter;

SliderSettings defaultProject() {
    test::TempDir folder;
    DocumentAgent agent(folder.path());
    agent.ResetProject();
    return agent.GetAppletData();
}

// Every field different from the defaults and from each other, so a control
// wired to the wrong field shows up.
SliderSettings distinctProject() {
    SliderSettings d;
    d.SliderName = "Gallery";
    d.CfgName = "Gallerycfg";
    d.DivId = "Gallery_div";
    d.Width = "201";
    d.Height = "-302";
    d.Step = "3";
    d.Delay = "44";
    d.Gap = "5";
    d.TrailerSpace = "66";
    d.BgColor = "102030";
    d.CfgNameCopy = "Gallerycfg";
    d.ImageBorderWidth = "7";
    d.ImageBorderStyle = "8";
    d.ImageBorderColor = "A0B0C0";
    d.ContainerBorderWidth = "9";
    d.ContainerBorderStyle = "5";
    d.ContainerBorderColor = "0A0B0C";
    d.RootDirLocal = "file:///home/me/site/";
    d.RootDirRemote = "http://www.example.com/";
    d.RootDirLocalChecked = "0";
    return d;
}

void click(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

class ScriptPageTest : public ::testing::Test {
protected:
    template <typename T>
    T* child(QWidget& page, const char* name) {
        T* w = page.findChild<T*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    SliderSettings commit() const {
        SliderSettings d = defaultProject();
        script.apply(d);
        path.apply(d);
        return d;
    }

    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    ScriptPage script{prompter, settings};
    PathPage path{prompter, settings};
};

TEST_F(ScriptPageTest, PagesCarryTheirTabNames) {
    EXPECT_EQ(script.objectName(), "tbshtScript");
    EXPECT_EQ(path.objectName(), "tbshtPath");
    ItemPage item(prompter, settings);
    EXPECT_EQ(item.objectName(), "tbshtItemGeneral");
}

TEST_F(ScriptPageTest, CommitOfTheDefaultProjectDerivesLowerCaseNames) {
    const SliderSettings defaults = defaultProject();
    script.load(defaults);
    path.load(defaults);
    const SliderSettings d = commit();
    EXPECT_EQ(d.CfgName, "VSlider1cfg");
    EXPECT_EQ(d.CfgNameCopy, "VSlider1cfg");
    EXPECT_EQ(d.DivId, "VSlider1_div");
    SliderSettings expected = defaults;
    expected.CfgName = expected.CfgNameCopy = "VSlider1cfg";
    expected.DivId = "VSlider1_div";
    EXPECT_EQ(d, expected);
}

TEST_F(ScriptPageTest, EveryFieldRoundTripsThroughItsOwnControl) {
    const SliderSettings d = distinctProject();
    script.load(d);
    path.load(d);
    EXPECT_EQ(commit(), d);
}

TEST_F(ScriptPageTest, NameIsTrimmedBeforeTheDerivedNamesAreBuilt) {
    script.load(defaultProject());
    child<QLineEdit>(script, "edt_pSliderName")->setText(QStringLiteral("  Gallery \t "));
    const SliderSettings d = commit();
    EXPECT_EQ(d.SliderName, "Gallery");
    EXPECT_EQ(d.CfgName, "Gallerycfg");
    EXPECT_EQ(d.CfgNameCopy, "Gallerycfg");
    EXPECT_EQ(d.DivId, "Gallery_div");
}

TEST_F(ScriptPageTest, ApplyLeavesFieldsOfTheOtherPageAlone) {
    script.load(distinctProject());
    SliderSettings d;
    d.RootDirLocal = "keep";
    d.RootDirLocalChecked = "x";
    script.apply(d);
    EXPECT_EQ(d.RootDirLocal, "keep");
    EXPECT_EQ(d.RootDirLocalChecked, "x");
    SliderSettings e;
    e.SliderName = "keep";
    path.apply(e);
    EXPECT_EQ(e.SliderName, "keep");
    EXPECT_EQ(e.Width, "");
}

TEST_F(ScriptPageTest, BorderStylesAreStoredAsTheirPosition) {
    script.load(defaultProject());
    auto* image = child<QComboBox>(script, "cmbx_pImageBorderStyle");
    auto* container = child<QComboBox>(script, "cmbx_pContainerBorderStyle");
    EXPECT_FALSE(image->isEditable());
    ASSERT_EQ(image->count(), 10);
    EXPECT_EQ(image->itemText(8), "window-inset");

    image->setCurrentIndex(image->findText(QStringLiteral("ridge")));
    EXPECT_EQ(commit().ImageBorderStyle, "6");

    struct Row {
        const char* stored;
        QString shown;
        const char* committed;
    };
    for (const Row& row :
         {Row{"3", QStringLiteral("solid"), "3"}, Row{"0", QStringLiteral("none"), "0"},
          Row{"9", QStringLiteral("outset"), "9"}, Row{"10", QString(), "-1"}, Row{"-1", QString(), "-1"}}) {
        SliderSettings d = defaultProject();
        d.ContainerBorderStyle = row.stored;
        script.load(d);
        EXPECT_EQ(container->currentText(), row.shown) << row.stored;
        EXPECT_EQ(commit().ContainerBorderStyle, row.committed) << row.stored;
    }
}

TEST_F(ScriptPageTest, NonIntegerStoredNumbersFailTheLoadAfterEarlierControlsWereFilled) {
    std::string SliderSettings::*numeric[] = {&SliderSettings::Width,
                                              &SliderSettings::Height,
                                              &SliderSettings::Step,
                                              &SliderSettings::Delay,
                                              &SliderSettings::Gap,
                                              &SliderSettings::TrailerSpace,
                                              &SliderSettings::ImageBorderWidth,
                                              &SliderSettings::ImageBorderStyle,
                                              &SliderSettings::ContainerBorderWidth,
                                              &SliderSettings::ContainerBorderStyle};
    for (auto field : numeric) {
        for (const char* bad : {"", "12a", " 5", "1.5"}) {
            script.load(defaultProject());
            SliderSettings d = defaultProject();
            d.SliderName = "Fresh";
            d.*field = bad;
            EXPECT_THROW(script.load(d), Error) << "'" << bad << "'";
            EXPECT_EQ(child<QLineEdit>(script, "edt_pSliderName")->text(), "Fresh");
        }
    }
    SliderSettings d = defaultProject();
    d.Width = "77";
    d.Height = "x";
    script.load(defaultProject());
    EXPECT_THROW(script.load(d), Error);
    EXPECT_EQ(child<SpinEdit>(script, "spnedt_pWidth")->value(), 77);
    EXPECT_EQ(child<SpinEdit>(script, "spedt_pHeight")->value(), 400);
}

TEST_F(ScriptPageTest, BrokenColourTextFailsTheLoad) {
    SliderSettings d = defaultProject();
    d.ImageBorderColor = "GG0000";
    EXPECT_THROW(script.load(d), Error);
}

TEST_F(ScriptPageTest, ColourPickCommitsTheChosenColourIntoItsOwnField) {
    script.load(defaultProject());
    QSignalSpy modified(&script, &ScriptPage::modified);
    struct Row {
        const char* swatch;
        QColor chosen;
        std::string SliderSettings::*field;
        const char* hex;
    };
    for (const Row& row :
         {Row{"pnl_pBgColor", Qt::red, &SliderSettings::BgColor, "FF0000"},
          Row{"pnl_pImageBorderColor", QColor(0x12, 0x34, 0x56), &SliderSettings::ImageBorderColor, "123456"},
          Row{"pnl_pContainerBorderColor", QColor(0, 0, 0xFE), &SliderSettings::ContainerBorderColor,
              "0000FE"}}) {
        auto* swatch = child<ColorSwatch>(script, row.swatch);
        const QColor before = swatch->color();
        prompter.queueColor(row.chosen);
        const int emitted = int(modified.count());
        click(swatch);
        ASSERT_EQ(prompter.count(ScriptedPrompter::Kind::Color), 1) << row.swatch;
        EXPECT_EQ(prompter.last()->initial, before);
        EXPECT_EQ(modified.count(), emitted + 1);
        EXPECT_EQ(commit().*row.field, row.hex);
        prompter.clear();
    }
}

TEST_F(ScriptPageTest, CancelledColourDialogKeepsTheColourButStillMarksModified) {
    script.load(defaultProject());
    QSignalSpy modified(&script, &ScriptPage::modified);
    prompter.setStrict(false);
    click(child<ColorSwatch>(script, "pnl_pImageBorderColor"));  // nothing queued: a cancel
    EXPECT_EQ(modified.count(), 1);
    EXPECT_EQ(commit().ImageBorderColor, "DBEAF5");
}

// The user's own choices mark the project modified too (the main window's
// tests play them); the values the program sets while loading do not.
TEST_F(ScriptPageTest, TypingMarksModifiedButTheProgramsOwnChoicesDoNot) {
    script.load(defaultProject());
    path.load(defaultProject());
    QSignalSpy scriptSpy(&script, &ScriptPage::modified);
    QSignalSpy pathSpy(&path, &PathPage::modified);
    for (const char* name :
         {"edt_pSliderName", "spnedt_pWidth", "spedt_pHeight", "spnedt_pStep", "spnedt_pDelay", "spnedt_pGap",
          "spnedt_pTrailerSpace", "spnedt_pContainerBorderWidth", "spnedt_pImageBorderWidth"}) {
        const int before = int(scriptSpy.count());
        QTest::keyClicks(child<QWidget>(script, name), QStringLiteral("1"));
        EXPECT_GT(scriptSpy.count(), before) << name;
    }
    for (const char* name : {"edtpInternalUse_RootDir_Local", "edtpInternalUse_RootDir_Remote"}) {
        const int before = int(pathSpy.count());
        QTest::keyClicks(child<QWidget>(path, name), QStringLiteral("x"));
        EXPECT_GT(pathSpy.count(), before) << name;
    }
    scriptSpy.clear();
    pathSpy.clear();
    child<QComboBox>(script, "cmbx_pImageBorderStyle")->setCurrentIndex(4);
    child<QComboBox>(script, "cmbx_pContainerBorderStyle")->setCurrentIndex(4);
    child<QRadioButton>(path, "rdbtnpInternalUse_RootDir_Local_Checked2")->setChecked(true);
    EXPECT_EQ(scriptSpy.count(), 0);
    EXPECT_EQ(pathSpy.count(), 0);
}

TEST_F(ScriptPageTest, HelpButtonsAskForTheirTopics) {
    ItemPage item(prompter, settings);
    std::vector<int> topics;
    auto record = [&](int topic) { topics.push_back(topic); };
    QObject::connect(&script, &ScriptPage::helpRequested, record);
    QObject::connect(&path, &PathPage::helpRequested, record);
    QObject::connect(&item, &ItemPage::helpRequested, record);
    for (QWidget* page :
         {static_cast<QWidget*>(&script), static_cast<QWidget*>(&path), static_cast<QWidget*>(&item)})
        for (int topic = 1; topic <= 10; ++topic)
            if (auto* b = page->findChild<QToolButton*>(pages::helpButtonName(topic))) b->click();
    EXPECT_EQ(topics, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

// A bound text is never cut short by a control's own length limit: neither
// what a project holds nor what the user types, since the cut text is what
// the next save would store.
TEST_F(ScriptPageTest, LongTextsSurviveLoadTypingAndCommitOnEveryPage) {
    ItemPage item(prompter, settings);
    const std::string text = "begin" + std::string(100000, 'x') + "end";
    struct Row {
        QWidget* page;
        const char* name;
        std::string SliderSettings::*slider;  // a slider field,
        std::string SliderItem::*itemField;   // or an item field
    };
    for (const Row& row : {
             Row{&script, "edt_pSliderName", &SliderSettings::SliderName, nullptr},
             Row{&path, "edtpInternalUse_RootDir_Local", &SliderSettings::RootDirLocal, nullptr},
             Row{&path, "edtpInternalUse_RootDir_Remote", &SliderSettings::RootDirRemote, nullptr},
             Row{&item, "edtOriginalImagePath", nullptr, &SliderItem::OriginalImagePath},
             Row{&item, "cmbx_ILink", nullptr, &SliderItem::Link},
             Row{&item, "cmbx_ITarget", nullptr, &SliderItem::Target},
             Row{&item, "edt_IToolTip", nullptr, &SliderItem::ToolTip},
         }) {
        SCOPED_TRACE(row.name);
        auto committed = [&] {
            if (row.itemField) return item.commit().*row.itemField;
            return commit().*row.slider;
        };
        if (row.itemField) {
            SliderItem record;
            record.*row.itemField = text;
            item.load(record);
        } else {
            SliderSettings data = defaultProject();
            data.*row.slider = text;
            script.load(data);
            path.load(data);
        }
        // Compared whole but not printed: a failure would print 100,000 characters.
        EXPECT_EQ(committed().size(), text.size());
        EXPECT_TRUE(committed() == text);

        QWidget* control = row.page->findChild<QWidget*>(QLatin1String(row.name));
        auto* combo = qobject_cast<QComboBox*>(control);
        QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(control);
        ASSERT_NE(edit, nullptr);
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("!?"));
        EXPECT_EQ(committed().size(), text.size() + 2);
        EXPECT_TRUE(committed() == text + "!?");
    }
}

// --- the spin edits ----------------------------------------------------------

class SpinEditTest : public ::testing::Test {
protected:
    void type(const QString& text) {
        spin.lineEdit()->selectAll();
        QTest::keyClick(&spin, Qt::Key_Delete);
        QTest::keyClicks(&spin, text);
    }
    struct Spin : SpinEdit {
        using SpinEdit::lineEdit;
        using SpinEdit::stepEnabled;
    } spin;
};

// What the user types is what the box shows while typing; on leaving (focus
// or Enter) the box shows the number a commit stores, so nothing is stored
// that the user did not see. Text that is no number cannot get in at all.
TEST_F(SpinEditTest, TypedTextIsReadAsItsNumberAndShownAsItOnLeaving) {
    enum class Leave { Focus, Enter };
    struct Row {
        QString typed;
        QString shown;  // while typing: refused keys leave the last valid text
        int value;      // read before leaving
        QString shownAfter;
        Leave leave;
    };
    for (const Row& row : {
             Row{"42", "42", 42, "42", Leave::Focus},
             Row{"-7", "-7", -7, "-7", Leave::Enter},
             Row{"9999", "9999", 9999, "9999", Leave::Focus},
             Row{" 7 ", " 7 ", 7, "7", Leave::Focus},
             Row{"  -15", "  -15", -15, "-15", Leave::Enter},
             Row{"+5", "+5", 5, "5", Leave::Focus},
             Row{"007", "007", 7, "7", Leave::Focus},
             Row{"12345", "12345", 9999, "9999", Leave::Focus},
             Row{"-20000", "-20000", -9999, "-9999", Leave::Enter},
             Row{"99999999999", "99999999999", 9999, "9999", Leave::Focus},
             Row{"-99999999999999999999", "-99999999999999999999", -9999, "-9999", Leave::Focus},
             Row{"abc", "", -9999, "-9999", Leave::Focus},
             Row{"4a2", "42", 42, "42", Leave::Focus},
             Row{"1 2", "1 ", 1, "1", Leave::Enter},
             Row{"3.5", "35", 35, "35", Leave::Focus},
             Row{"-", "-", -9999, "-9999", Leave::Focus},
             Row{"", "", -9999, "-9999", Leave::Focus},
         }) {
        SCOPED_TRACE(row.typed.toStdString());
        type(row.typed);
        EXPECT_EQ(spin.text(), row.shown);
        EXPECT_EQ(spin.value(), row.value);
        if (row.leave == Leave::Focus)
            leave(&spin);
        else
            QTest::keyClick(&spin, Qt::Key_Return);
        EXPECT_EQ(spin.text(), row.shownAfter);
        EXPECT_EQ(spin.value(), row.value);
    }
}

TEST_F(SpinEditTest, PastedTextThatIsNoNumberLeavesTheLastValidText) {
    struct Row {
        QString before, pasted, after;
    };
    for (const Row& row : {Row{"15", "abc", "15"}, Row{"15", " 3", "15"}, Row{"15", "0", "150"},
                           Row{"", " 8 ", " 8 "}, Row{"", "1e5", ""}, Row{"-", "12", "-12"}}) {
        SCOPED_TRACE((row.before + "|" + row.pasted).toStdString());
        type(row.before);
        spin.lineEdit()->insert(row.pasted);
        EXPECT_EQ(spin.text(), row.after);
    }
}

TEST_F(SpinEditTest, ProgramValuesAreClampedAndArrowsStepByOne) {
    spin.setValue(123456);
    EXPECT_EQ(spin.text(), "9999");
    spin.setValue(-123456);
    EXPECT_EQ(spin.text(), "-9999");
    spin.setValue(5);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.value(), 6);
    QTest::keyClick(&spin, Qt::Key_Down);
    QTest::keyClick(&spin, Qt::Key_Down);
    EXPECT_EQ(spin.value(), 4);
    spin.setValue(9999);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.value(), 9999);
}

// An arrow that cannot change the value is shown off: at either end of the
// range (an empty box reads as the minimum) and in a read-only box.
TEST_F(SpinEditTest, ArrowsAreOffWhereTheyCannotStep) {
    using Step = QAbstractSpinBox::StepEnabledFlag;
    struct Row {
        QString text;
        bool readOnly, up, down;
    };
    for (const Row& row :
         {Row{"9999", false, false, true}, Row{"9998", false, true, true}, Row{"-9999", false, true, false},
          Row{"-9998", false, true, true}, Row{"", false, true, false}, Row{"5", true, false, false}}) {
        SCOPED_TRACE((row.text + (row.readOnly ? " read-only" : "")).toStdString());
        spin.setReadOnly(false);
        type(row.text);
        spin.setReadOnly(row.readOnly);
        EXPECT_EQ(spin.stepEnabled().testFlag(Step::StepUpEnabled), row.up);
        EXPECT_EQ(spin.stepEnabled().testFlag(Step::StepDownEnabled), row.down);
    }
    spin.setReadOnly(false);
    spin.setValue(-9999);
    QTest::keyClick(&spin, Qt::Key_Down);
    EXPECT_EQ(spin.value(), -9999);
}

// The hint line watches the spin edit itself; moves over its text must reach it.
TEST_F(SpinEditTest, MouseMovesOverTheTextReachTheSpinEditsWatchers) {
    struct Watcher : QObject {
        int moves = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            moves += e->type() == QEvent::MouseMove;
            return false;
        }
    } watcher;
    spin.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&spin));
    spin.setMouseTracking(true);
    spin.installEventFilter(&watcher);
    QTest::mouseMove(spin.lineEdit(), QPoint(4, 4));
    QTest::mouseMove(spin.lineEdit(), QPoint(6, 5));
    EXPECT_GE(watcher.moves, 1);
}

TEST_F(ScriptPageTest, SpinEditEmptiedOrOvershotCommitsTheRangeEnds) {
    script.load(defaultProject());
    auto* width = child<SpinEdit>(script, "spnedt_pWidth");
    auto* delay = child<SpinEdit>(script, "spnedt_pDelay");
    width->findChild<QLineEdit*>()->clear();
    QTest::keyClicks(delay->findChild<QLineEdit*>(), QStringLiteral("12345"));  // "3912345"
    leave(delay);
    EXPECT_EQ(delay->text(), "9999");
    const SliderSettings d = commit();
    EXPECT_EQ(d.Width, "-9999");
    EXPECT_EQ(d.Delay, "9999");
}

// --- the "Path" page ---------------------------------------------------------

TEST_F(ScriptPageTest, RadioButtonsFollowTheStoredChoice) {
    auto* local = child<QRadioButton>(path, "rdbtnpInternalUse_RootDir_Local_Checked");
    auto* remote = child<QRadioButton>(path, "rdbtnpInternalUse_RootDir_Local_Checked2");
    struct Row {
        const char* stored;
        bool local, remote;
        const char* committed;
    };
    for (const Row& row :
         {Row{"1", true, false, "1"}, Row{"0", false, true, "0"}, Row{"2", false, false, "0"},
          Row{"", false, false, "0"}, Row{" 1", false, false, "0"}, Row{"1", true, false, "1"}}) {
        SliderSettings d = defaultProject();
        d.RootDirLocalChecked = row.stored;
        path.load(d);
        EXPECT_EQ(local->isChecked(), row.local) << row.stored;
        EXPECT_EQ(remote->isChecked(), row.remote) << row.stored;
        EXPECT_EQ(commit().RootDirLocalChecked, row.committed) << row.stored;
    }
    // Still one group after both were unchecked.
    local->click();
    remote->click();
    EXPECT_FALSE(local->isChecked());
}

TEST_F(ScriptPageTest, RootDirectoriesAreCommittedTrimmed) {
    child<QLineEdit>(path, "edtpInternalUse_RootDir_Local")->setText(QStringLiteral(" file:///home/me/ "));
    child<QLineEdit>(path, "edtpInternalUse_RootDir_Remote")
        ->setText(QStringLiteral("\thttp://a.example/  "));
    const SliderSettings d = commit();
    EXPECT_EQ(d.RootDirLocal, "file:///home/me/");
    EXPECT_EQ(d.RootDirRemote, "http://a.example/");
}

}  // namespace
}  // namespace marivel
