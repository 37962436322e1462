// The three pages from the keyboard: every control is reached with Tab in
// the order it is read, shows that it has the focus, and the clickable ones
// answer Space and Enter as they answer a click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <functional>

#include "editor/item_page.h"
#include "editor/page_controls.h"
#include "editor/path_page.h"
#include "editor/script_page.h"
#include "platform/memory_settings_store.h"
#include "support/qt_printers.h"
#include "support/scripted_prompter.h"

namespace marivel {
namespace {

using Kind = test::ScriptedPrompter::Kind;

// The Tab order of each page, one group per line.
const QStringList kScriptOrder = QStringLiteral(
                                     "edt_pSliderName pnl_pBgColor SpeedButton1 "
                                     "spnedt_pWidth spedt_pHeight SpeedButton12 "
                                     "spnedt_pStep spnedt_pDelay SpeedButton11 "
                                     "spnedt_pGap spnedt_pTrailerSpace SpeedButton10 "
                                     "spnedt_pContainerBorderWidth cmbx_pContainerBorderStyle "
                                     "pnl_pContainerBorderColor SpeedButton5 "
                                     "spnedt_pImageBorderWidth cmbx_pImageBorderStyle "
                                     "pnl_pImageBorderColor SpeedButton6")
                                     .split(QLatin1Char(' '));
const QStringList kItemOrder = QStringLiteral(
                                   "edtOriginalImagePath spdbtnOriginalImagePath SpeedButton13 "
                                   "cmbx_ILink spdbtnItURL cmbx_ITarget SpeedButton24 "
                                   "edt_IToolTip SpeedButton19")
                                   .split(QLatin1Char(' '));
// Tab reaches the radio buttons' group at its checked button; the arrow keys
// move within the group.
const QStringList kPathOrder =
    QStringLiteral(
        "SpeedButton28 edtpInternalUse_RootDir_Local edtpInternalUse_RootDir_Remote "
        "rdbtnpInternalUse_RootDir_Local_Checked")
        .split(QLatin1Char(' '));

// The named control that holds the focus; the inner edit of a spin edit or
// of an editable list counts as its owner.
QString focusedControl(QWidget* page) {
    for (QWidget* w = QApplication::focusWidget(); w && w != page; w = w->parentWidget())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            return w->objectName();
    return {};
}

class PageKeyboardTest : public ::testing::Test {
protected:
    struct Page {
        QWidget* widget;
        QStringList order;
    };
    std::vector<Page> pages() { return {{&script, kScriptOrder}, {&item, kItemOrder}, {&path, kPathOrder}}; }
    // Each page stands alone as an active window, so the focus moves as it
    // does inside the main window's page control.
    void activate(QWidget* page) {
        page->show();
        page->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([page] { return QApplication::activeWindow() == page; }));
    }
    QWidget* child(QWidget* page, const QString& name) {
        auto* w = page->findChild<QWidget*>(name);
        if (!w) ADD_FAILURE() << "no control " << name.toStdString();
        return w;
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QApplication::processEvents();
    }

    test::ScriptedPrompter prompter;
    MemorySettingsStore settings;
    ScriptPage script{prompter, settings};
    ItemPage item{prompter, settings};
    PathPage path{prompter, settings};
};

// Tab walks every control in reading order, and round again; each control
// looks different once it has the focus. Shift+Tab walks back.
TEST_F(PageKeyboardTest, TabReachesEveryControlInReadingOrderAndShowsTheFocus) {
    for (const Page& page : pages()) {
        SCOPED_TRACE(page.widget->objectName().toStdString());
        activate(page.widget);
        child(page.widget, page.order.last())->setFocus();
        for (const QString& name : page.order + QStringList{page.order.first()}) {
            QWidget* control = child(page.widget, name);
            const QImage without = control->grab().toImage();
            press(Qt::Key_Tab);
            ASSERT_EQ(focusedControl(page.widget).toStdString(), name.toStdString());
            EXPECT_NE(control->grab().toImage(), without) << name.toStdString();
        }
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focusedControl(page.widget).toStdString(), page.order.last().toStdString());
    }
    // The second radio button is reached with an arrow key, which chooses it.
    auto* second = path.findChild<QRadioButton*>(QStringLiteral("rdbtnpInternalUse_RootDir_Local_Checked2"));
    activate(&path);
    child(&path, kPathOrder.last())->setFocus();
    press(Qt::Key_Down);
    ASSERT_EQ(focusedControl(&path).toStdString(), second->objectName().toStdString());
    EXPECT_TRUE(second->isChecked());
    const QImage focused = second->grab().toImage();
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_NE(second->grab().toImage(), focused);
}

TEST_F(PageKeyboardTest, SpaceAndEnterActLikeAClick) {
    prompter.setStrict(false);  // every dialog is cancelled
    settings.writeInteger(SettingsStore::Hive::CurrentUser, kSettingsKey, QStringLiteral("ShowLinkTipDialog"),
                          0);
    std::vector<int> topics;
    auto record = [&](int topic) { topics.push_back(topic); };
    QObject::connect(&script, &ScriptPage::helpRequested, record);
    QObject::connect(&item, &ItemPage::helpRequested, record);
    QObject::connect(&path, &PathPage::helpRequested, record);

    struct Row {
        QWidget* page;
        QString name;
        std::function<int()> clicks;  // counts what a click does
    };
    auto asked = [this](Kind kind) { return [this, kind] { return prompter.count(kind); }; };
    std::vector<Row> rows = {
        {&script, "pnl_pBgColor", asked(Kind::Color)},
        {&script, "pnl_pContainerBorderColor", asked(Kind::Color)},
        {&script, "pnl_pImageBorderColor", asked(Kind::Color)},
        {&item, "spdbtnOriginalImagePath", asked(Kind::OpenPicture)},
        {&item, "spdbtnItURL", asked(Kind::OpenFile)},
    };
    for (int topic = 1; topic <= 10; ++topic) {
        QWidget* page = topic <= 6 ? &script : topic == 7 ? static_cast<QWidget*>(&path) : &item;
        rows.push_back({page, pages::helpButtonName(topic),
                        [&topics, topic] { return int(std::count(topics.begin(), topics.end(), topic)); }});
    }
    for (const Row& row : rows) {
        activate(row.page);
        QWidget* control = child(row.page, row.name);
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Space, Qt::KeyboardModifiers{}},
                                             {Qt::Key_Return, {}},
                                             {Qt::Key_Enter, Qt::KeypadModifier}}) {
            SCOPED_TRACE(row.name.toStdString() + " key " + std::to_string(key));
            control->setFocus(Qt::TabFocusReason);
            const int before = row.clicks();
            QTest::keyClick(control, key, modifiers);
            EXPECT_EQ(row.clicks(), before + 1);
        }
    }

    // The radio buttons choose with Enter as with a click.
    activate(&path);
    auto* local = path.findChild<QRadioButton*>(QStringLiteral("rdbtnpInternalUse_RootDir_Local_Checked"));
    auto* remote = path.findChild<QRadioButton*>(QStringLiteral("rdbtnpInternalUse_RootDir_Local_Checked2"));
    ASSERT_TRUE(local->isChecked());
    remote->setFocus(Qt::TabFocusReason);
    QTest::keyClick(remote, Qt::Key_Return);
    EXPECT_TRUE(remote->isChecked());
    EXPECT_FALSE(local->isChecked());
}

}  // namespace
}  // namespace marivel
