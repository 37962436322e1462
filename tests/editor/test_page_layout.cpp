// The pages at the window's first size and when it is enlarged: fields keep
// their widths, the slider page's groups line up, and nothing is stretched
// across a wide window.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <map>

#include "editor/editor_fixture.h"
#include "editor/spin_edit.h"

namespace marivel::test {
namespace {

// A control's rectangle in its page's coordinates.
QRect onPage(QWidget* page, QWidget* w) {
    return QRect(w->mapTo(page, QPoint(0, 0)), w->size());
}

// Text fields and wrapped text may be narrower than they would like, and the
// help buttons have their size by design; labels, other buttons, lists and
// spin edits would be cut.
bool isElastic(QWidget* w) {
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* label = qobject_cast<QLabel*>(w);
    return qobject_cast<QLineEdit*>(w) || (combo && combo->isEditable()) || (label && label->wordWrap()) ||
           w->property("tag").isValid();
}

class PageLayout : public EditorTest {
protected:
    // Shows the page named and answers it laid out.
    QWidget* show(const char* name) {
        if (QLatin1String(name) == QLatin1String("tbshtItemGeneral")) {
            if (items().empty()) form->editor().insertItem();
            select(root()->child(0));
        } else {
            select(root());
            form->propertyTabs()->setCurrentWidget(form->findChild<QWidget*>(QLatin1String(name)));
        }
        QApplication::processEvents();
        return form->propertyTabs()->currentWidget();
    }
    QWidget* on(QWidget* page, const char* name) {
        auto* w = page->findChild<QWidget*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    // The controls named share their left edge on the page.
    void expectColumn(QWidget* page, std::initializer_list<const char*> names) {
        const int x = onPage(page, on(page, *names.begin())).left();
        for (const char* name : names) EXPECT_EQ(onPage(page, on(page, name)).left(), x) << name;
    }
};

TEST_F(PageLayout, FieldsKeepTheirWidthsAndTheSliderGroupsLineUpAtAnySize) {
    std::map<QString, int> firstWidths;
    for (const QSize size : {QSize(781, 524), QSize(1600, 1000), QSize(781, 524)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        form->resize(size);
        QApplication::processEvents();
        for (const char* name : {"tbshtScript", "tbshtItemGeneral", "tbshtPath"}) {
            SCOPED_TRACE(name);
            QWidget* page = show(name);
            ASSERT_EQ(page->objectName(), name);
            const QList<QGroupBox*> groups = page->findChildren<QGroupBox*>();
            ASSERT_FALSE(groups.isEmpty());
            for (QGroupBox* group : groups) {
                SCOPED_TRACE(group->title().toStdString());
                // The groups of a page form one column...
                EXPECT_EQ(onPage(page, group).left(), onPage(page, groups[0]).left());
                EXPECT_EQ(group->width(), groups[0]->width());
                // ...that fits the page and holds every control whole...
                EXPECT_TRUE(page->rect().contains(onPage(page, group)));
                for (QWidget* w : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                    if (!w->isVisible()) continue;
                    const std::string what =
                        (w->objectName() + " " + w->property("text").toString()).toStdString();
                    EXPECT_TRUE(group->rect().contains(w->geometry())) << what;
                    if (!isElastic(w)) {
                        EXPECT_GE(w->width(), w->sizeHint().width()) << what;
                    }
                }
                // ...and a wide window does not stretch it across.
                if (size.width() > 1000) {
                    EXPECT_LT(group->width(), page->width() / 2);
                }
            }
            for (SpinEdit* spin : page->findChildren<SpinEdit*>())
                EXPECT_EQ(spin->width(), spin->sizeHint().width()) << spin->objectName().toStdString();
            if (page->objectName() != QLatin1String("tbshtScript")) continue;
            expectColumn(page, {"edt_pSliderName", "spnedt_pWidth", "spnedt_pStep", "spnedt_pGap",
                                "spnedt_pContainerBorderWidth", "spnedt_pImageBorderWidth"});
            expectColumn(page, {"spedt_pHeight", "spnedt_pDelay", "spnedt_pTrailerSpace",
                                "cmbx_pContainerBorderStyle", "cmbx_pImageBorderStyle"});
            expectColumn(page, {"pnl_pBgColor", "pnl_pContainerBorderColor", "pnl_pImageBorderColor"});
            expectColumn(page, {"SpeedButton1", "SpeedButton12", "SpeedButton11", "SpeedButton10",
                                "SpeedButton5", "SpeedButton6"});
            // Every field of the slider page keeps its width whatever the
            // window's size.
            for (QWidget* w : page->findChildren<QWidget*>()) {
                if (w->objectName().isEmpty() || !qobject_cast<QGroupBox*>(w->parentWidget())) continue;
                const auto [it, first] = firstWidths.emplace(w->objectName(), w->width());
                if (!first) {
                    EXPECT_EQ(w->width(), it->second) << w->objectName().toStdString();
                }
            }
        }
    }
}

}  // namespace
}  // namespace marivel::test
