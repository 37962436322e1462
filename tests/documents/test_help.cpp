// The Help menu, the group help buttons, the help window and the About box,
// on a program folder whose path holds blanks, letters beyond ASCII and the
// characters a URL gives a meaning to.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "documents/about_dialog.h"
#include "documents/help_commands.h"
#include "documents/help_page_window.h"
#include "editor/editor_fixture.h"
#include "platform/file_url.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

const QString kOddFolder = QStringLiteral("Mein Prögramm #1 %41");

// The shipped help copied into a program folder with an awkward name.
class HelpTest : public EditorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        program = QDir(dir.path()).filePath(kOddFolder);
        ASSERT_TRUE(QDir().mkpath(program + "/help/images"));
        const QDir shipped(QStringLiteral(MARIVEL_PROGRAM_DIR "/help"));
        for (const QString& name : shipped.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(shipped.filePath(name), program + "/help/" + name)) << name.toStdString();
        for (const QString& name : QDir(shipped.filePath("images")).entryList(QDir::Files))
            QFile::copy(shipped.filePath("images/" + name), program + "/help/images/" + name);
        MainWindowOptions options;
        options.programFolder = fs::path(program.toStdString());
        options.registerFileType = false;
        form = std::make_unique<MainWindow>(prompter, settings, shell, options);
        form->show();
        QApplication::processEvents();
    }

    HelpPageWindow& helpWindow() const { return form->helpCommands().helpPageWindow(); }
    QString shownFile() const { return helpWindow().source().toLocalFile(); }
    QToolButton* button(const char* name) const { return form->findChild<QToolButton*>(name); }

    // The page's own title, read from the file: the window shows that page.
    static QString titleOf(const QString& file) {
        QFile page(file);
        EXPECT_TRUE(page.open(QIODevice::ReadOnly)) << file.toStdString();
        static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
        return title.match(QString::fromUtf8(page.readAll())).captured(1);
    }

    QString program;
};

TEST_F(HelpTest, EachGroupButtonShowsItsPageInTheOneHelpWindow) {
    struct Row {
        const char* button;
        const char* tab;
        const char* page;
    } rows[] = {
        {"SpeedButton1", "tbshtScript", "customizing_js_script_script_general.htm"},
        {"SpeedButton12", "tbshtScript", "customizing_js_script_script_size.htm"},
        {"SpeedButton11", "tbshtScript", "customizing_js_script_script_scrolling.htm"},
        {"SpeedButton10", "tbshtScript", "customizing_js_script_script_distance.htm"},
        {"SpeedButton5", "tbshtScript", "customizing_js_script_script_slider_border.htm"},
        {"SpeedButton6", "tbshtScript", "customizing_js_script_script_image_border.htm"},
        {"SpeedButton28", "tbshtPath", "customizing_js_script_path_path.htm"},
        {"SpeedButton13", "tbshtItemGeneral", "customizing_js_item_general_original_image_path.htm"},
        {"SpeedButton24", "tbshtItemGeneral", "customizing_js_item_general_link.htm"},
        {"SpeedButton19", "tbshtItemGeneral", "customizing_js_item_general_tooltip.htm"},
    };
    form->editor().insertItem();  // the item page shows only with an item selected
    HelpPageWindow* const window = &helpWindow();
    EXPECT_FALSE(window->isVisible());  // made at start, hidden
    EXPECT_EQ(window->windowTitle(), "Help");
    EXPECT_EQ(window->size(), QSize(402, 428));
    EXPECT_EQ(window->browser()->geometry(), QRect(0, 0, 401, 427));
    int tag = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        QToolButton* b = button(row.button);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->property("tag").toInt(), ++tag);
        select(std::string(row.tab) == "tbshtItemGeneral" ? root()->child(0) : root());
        form->propertyTabs()->setCurrentWidget(form->findChild<QWidget*>(row.tab));
        ASSERT_TRUE(b->isVisible());
        b->click();
        EXPECT_EQ(&helpWindow(), window);
        EXPECT_TRUE(window->isVisible());
        const QString file = program + "/help/" + row.page;
        EXPECT_EQ(shownFile(), file);
        EXPECT_EQ(window->browser()->documentTitle(), titleOf(file));
    }
    EXPECT_EQ(window->pos(), QPoint(265, 180));
    EXPECT_EQ(form->findChildren<HelpPageWindow*>().size(), 1);
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(HelpTest, TagsWithoutAButtonShowTheFirstSteps) {
    for (int tag : {0, 11, -1, 28}) {
        EXPECT_EQ(HelpPageForTag(tag), "getting_started.htm") << tag;
        form->helpCommands().showGroupHelp(tag);
        EXPECT_EQ(shownFile(), program + "/help/getting_started.htm") << tag;
    }
}

TEST_F(HelpTest, ClosingOnlyHidesAndTheNextButtonShowsItAgainWhereItWas) {
    button("SpeedButton1")->click();
    helpWindow().move(300, 222);
    QApplication::processEvents();
    const QPoint moved = helpWindow().pos();
    helpWindow().close();
    EXPECT_FALSE(helpWindow().isVisible());
    EXPECT_EQ(shownFile(), program + "/help/customizing_js_script_script_general.htm");  // kept while hidden

    form->propertyTabs()->setCurrentWidget(form->findChild<QWidget*>("tbshtPath"));
    button("SpeedButton28")->click();
    EXPECT_TRUE(helpWindow().isVisible());
    EXPECT_EQ(helpWindow().pos(), moved);
    EXPECT_EQ(shownFile(), program + "/help/customizing_js_script_path_path.htm");
}

TEST_F(HelpTest, PagesFindTheirStylesheetAndPicturesBesideThem) {
    form->helpCommands().showGroupHelp(0);
    QTextBrowser* browser = helpWindow().browser();
    // The first heading has the colour the shared stylesheet gives headings.
    bool heading = false;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 1) continue;
        heading = true;
        EXPECT_EQ(block.charFormat().foreground().color(), QColor(0x1f, 0x3a, 0x7a));
        break;
    }
    EXPECT_TRUE(heading);
    const QVariant picture =
        browser->loadResource(QTextDocument::ImageResource, QUrl("images/main-window-small.png"));
    EXPECT_FALSE(picture.isNull());
    EXPECT_FALSE(QImage::fromData(picture.toByteArray()).isNull());
}

TEST_F(HelpTest, HelpLinksStayInTheWindowAndEverythingElseGoesToTheDesktop) {
    form->helpCommands().showGroupHelp(0);
    struct Row {
        const char* link;
        QString shown;   // the page the window shows after the click
        QString opened;  // what the desktop was asked to open; empty: nothing
    } rows[] = {
        {"main_window.htm", program + "/help/main_window.htm", ""},
        {"getting_started.htm#top", program + "/help/getting_started.htm", ""},
        {"https://www.kelt.example/support/", program + "/help/getting_started.htm",
         "https://www.kelt.example/support/"},
        {"../samples/index.html", program + "/help/getting_started.htm", program + "/samples/index.html"},
        {"images/main-window.png", program + "/help/getting_started.htm",
         program + "/help/images/main-window.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link);
        form->helpCommands().showGroupHelp(0);
        shell.opened.clear();
        emit helpWindow().browser()->anchorClicked(QUrl(QString::fromUtf8(row.link)));
        EXPECT_EQ(shownFile(), row.shown);
        EXPECT_EQ(shell.opened,
                  row.opened.isEmpty() ? std::vector<QString>{} : std::vector<QString>{row.opened});
    }
}

TEST_F(HelpTest, MenuCommandsOpenTheirFileOrAddressThroughTheShell) {
    // The help window may be open: the index still goes to the browser.
    button("SpeedButton12")->click();
    struct Row {
        QAction* action;
        QString opened;
    } rows[] = {
        {actions().helpTopicsAction, program + "/help/index.html"},
        {actions().helpTopicsAction, program + "/help/index.html"},
        {actions().viewSampleAction, program + "/samples/index.html"},
        {actions().homepageAction, "https://www.kelt.example/marivel/"},
        {actions().contactUsAction, "https://www.kelt.example/support/"},
    };
    for (const Row& row : rows) {
        shell.opened.clear();
        row.action->trigger();
        EXPECT_EQ(shell.opened, std::vector<QString>{row.opened}) << row.action->objectName().toStdString();
    }
    EXPECT_EQ(shownFile(), program + "/help/customizing_js_script_script_size.htm");
    EXPECT_TRUE(prompter.asked().empty());
}

TEST(PathToFileUrl, LeavesEveryCharacterOfThePathAsItIs) {
    struct Row {
        QString path;
        PathStyle style;
        QString want;
    } rows[] = {
        {"/home/ann/My Site/help/index.html", PathStyle::Posix, "file:///home/ann/My Site/help/index.html"},
        {"/opt/Prögramm #1 %41/a:b.htm", PathStyle::Posix, "file:///opt/Prögramm #1 %41/a:b.htm"},
        {"C:\\Tools\\Slider\\help\\customizing_js_script_script_size.htm", PathStyle::Windows,
         "file:///C|/Tools/Slider/help/customizing_js_script_script_size.htm"},
        {"D:\\Mein Prögramm\\help\\x.htm", PathStyle::Windows, "file:///D|/Mein Prögramm/help/x.htm"},
    };
    for (const Row& row : rows) EXPECT_EQ(PathToFileUrl(row.path, row.style), row.want);
    EXPECT_EQ(PathToFileUrl("help/index.html", PathStyle::Posix),
              "file://" + QDir::current().absoluteFilePath("help/index.html"));
}

// --- the About box ------------------------------------------------------------------

class AboutTest : public EditorTest {
protected:
    // Runs the About command; act gets the box once it is up.
    void withAbout(const std::function<void(AboutDialog&)>& act) {
        bool shown = false;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
            if (!about) return;
            shown = true;
            act(*about);
            if (about->isVisible()) about->okButton->click();
        });
        actions().aboutAction->trigger();
        EXPECT_TRUE(shown);
    }
    static void moveOver(QWidget* widget) {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    static void click(QWidget* widget) {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(widget, &event);
        }
    }
};

TEST_F(AboutTest, TheBoxShowsTheProgramItsMakerAndTheLegalNotice) {
    withAbout([&](AboutDialog& about) {
        EXPECT_TRUE(about.isModal());
        EXPECT_EQ(about.windowTitle(), "Marivel");
        EXPECT_EQ(about.size(), QSize(313, 211));
        EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::white));
        EXPECT_EQ(about.productNameLabel->text(), "Marivel");
        EXPECT_TRUE(about.productNameLabel->font().bold());
        EXPECT_EQ(about.productVersionLabel->text(), "Version 1.1");
        EXPECT_TRUE(about.rightsLabel->text().contains("Kelt Software"));
        EXPECT_EQ(about.webSiteLabel->text(), "Web Site");
        EXPECT_EQ(about.homepageLink->text(), "https://www.kelt.example/marivel/");
        EXPECT_EQ(about.techSupportLabel->text(), "Tech Support");
        EXPECT_EQ(about.supportLink->text(), "https://www.kelt.example/support/");
        EXPECT_EQ(about.homepageLink->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(about.commentsLabel->wordWrap());
        EXPECT_LE(about.commentsLabel->heightForWidth(about.commentsLabel->width()),
                  4 * QFontMetrics(about.commentsLabel->font()).lineSpacing() + 1);  // four lines at most
        EXPECT_FALSE(about.productIcon->pixmap().isNull());
        EXPECT_EQ(about.okButton->text(), "OK");
        // Every text fits the box.
        for (QLabel* label : about.findChildren<QLabel*>()) {
            const QRect inside = label->geometry();
            EXPECT_TRUE(about.rect().contains(inside)) << label->objectName().toStdString();
            if (!label->wordWrap()) {
                EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
            } else {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << label->objectName().toStdString();
            }
        }
        about.okButton->click();
        EXPECT_FALSE(about.isVisible());
    });
    // Released once closed.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form->findChildren<AboutDialog*>().isEmpty());
}

TEST_F(AboutTest, LinksTurnRedUnderTheMouseBlueAgainOverTheBoxAndOpenTheirAddresses) {
    withAbout([&](AboutDialog& about) {
        const QColor blue(Qt::blue), red(Qt::red);
        EXPECT_EQ(LinkColour(*about.homepageLink), blue);
        EXPECT_EQ(LinkColour(*about.supportLink), blue);
        struct Step {
            QWidget* over;
            QColor home, support;
        } steps[] = {
            {about.homepageLink, red, blue},
            {about.supportLink, red, red},  // only the box itself turns them back
            {&about, blue, blue},
            {about.supportLink, blue, red},
            {about.commentsLabel, blue, red},  // over the other labels nothing changes
            {about.webSiteLabel, blue, red},
            {&about, blue, blue},
            {about.homepageLink, red, blue},
            {&about, blue, blue},
        };
        for (const Step& step : steps) {
            moveOver(step.over);
            EXPECT_EQ(LinkColour(*about.homepageLink), step.home) << step.over->objectName().toStdString();
            EXPECT_EQ(LinkColour(*about.supportLink), step.support) << step.over->objectName().toStdString();
        }
        click(about.homepageLink);
        click(about.supportLink);
        click(about.webSiteLabel);  // no link
        EXPECT_EQ(shell.opened, (std::vector<QString>{"https://www.kelt.example/marivel/",
                                                      "https://www.kelt.example/support/"}));
    });
}

}  // namespace
}  // namespace marivel::test
