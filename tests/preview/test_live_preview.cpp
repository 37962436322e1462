// The live preview pane in a real Qt WebEngine: what the controller writes
// reaches the running slider, clicks come back as items, and nothing
// outside the pane's folder is ever requested.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <functional>
#include <string>

#include "output/publishing_agent.h"
#include "preview/live_preview_controller.h"
#include "preview/live_preview_dock.h"
#include "preview/preview_web.h"
#include "support/recording_shell.h"
#include "support/temp_dir.h"
#include "support/test_jpeg.h"

namespace marivel {
namespace {

namespace fs = std::filesystem;
using What = LivePreviewController::What;

bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QTest::qWait(10);
    }
    return true;
}

class LivePreviewTest : public ::testing::Test {
protected:
    LivePreviewTest()
        : agent(ProgramFolders{fs::path(QCoreApplication::applicationDirPath().toStdString()), dir.path()}) {
        agent.ResetProject();
        SliderSettings& a = agent.AppletData;
        a.Width = "200";
        a.Height = "240";
        a.Step = "1";
        a.Delay = "20";
        a.Gap = "10";
        a.CfgName = a.SliderName + "cfg";  // as the Script page stores it
        for (int k = 0; k < 3; ++k) {
            const fs::path photo = dir / ("photo" + std::to_string(k) + ".jpg");
            test::JpegRecipe recipe;
            recipe.width = 400;
            recipe.height = 300;
            recipe.pixel = [k](int, int) { return test::Rgb{60 * k, 100, 200 - 50 * k}; };
            test::WriteJpeg(photo, recipe);
            SliderItem item = DocumentAgent::MakeNewItem();
            item.OriginalImagePath = photo.string();
            item.Link = "http://www.example.com/page" + std::to_string(k) + ".html";
            agent.Items.push_back(item);
        }
        dock.resize(500, 600);
        dock.show();
    }

    LivePreviewController& preview() { return dock.controller(); }
    QVariant eval(const QString& script, bool pageWorld = true) {
        QVariant result;
        bool done = false;
        preview().web()->evaluate(script, pageWorld, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        EXPECT_TRUE(WaitFor([&] { return done; }));
        return result;
    }
    // Waits until every picture of the page has been prepared and loaded.
    void waitForPictures() {
        ASSERT_TRUE(WaitFor([&] {
            return eval(QStringLiteral("(function(){var l=document.querySelectorAll("
                                       "'.slidercontainer > div > div:first-child img');"
                                       "return l.length===3 && Array.prototype.every.call(l,"
                                       "function(i){return i.complete && i.naturalWidth > 0;});})()"))
                .toBool();
        }));
    }

    test::TempDir dir;
    PublishingAgent agent;
    test::RecordingShell shell;
    LivePreviewDock dock{[this]() -> const DocumentAgent& { return agent; }, shell, dir / "live"};
    int shown = -1;
    QMetaObject::Connection frames = QObject::connect(&dock.controller(), &LivePreviewController::frameShown,
                                                      [this](int generation) { shown = generation; });
};

TEST_F(LivePreviewTest, WidthAndSpeedReachTheRunningEngineWithoutTouchingTheProject) {
    ASSERT_TRUE(WaitFor([&] { return shown >= 1; }))
        << "no first frame: " << dock.problemLine()->toolTip().toStdString() << " / "
        << eval(QStringLiteral("document.readyState + ' ' + location.href + ' ' + "
                               "!!document.querySelector('.slidercontainer')"))
               .toString()
               .toStdString()
        << " / "
        << eval(QStringLiteral("typeof marivelPreview + ' ' + typeof qt + ' ' + typeof QWebChannel"), false)
               .toString()
               .toStdString();
    const QString width = QStringLiteral("document.querySelector('.slidercontainer').style.width");
    const QString duration = QStringLiteral(
        "document.querySelector('.slidercontainer').firstElementChild.getAnimations()[0].effect.getTiming()."
        "duration");
    EXPECT_EQ(eval(width).toString(), QStringLiteral("200px"));
    const double slow = eval(duration).toDouble();
    ASSERT_GT(slow, 0);
    const SliderItemList items = agent.Items;

    agent.AppletData.Width = "150";
    preview().projectChanged(What::Settings);
    ASSERT_TRUE(WaitFor([&] { return eval(width).toString() == QStringLiteral("150px"); }));
    waitForPictures();  // the copies at the new width replace the empty boxes
    EXPECT_EQ(dock.problemLine()->toolTip().toStdString(), "");
    EXPECT_EQ(eval(QStringLiteral("document.querySelector('img.sliderimages').naturalWidth")).toInt(), 150);

    const double before = eval(duration).toDouble();
    agent.AppletData.Step = "2";
    preview().projectChanged(What::Settings);
    ASSERT_TRUE(WaitFor([&] {
        const double now = eval(duration).toDouble();
        return now > 0 && now < before * 0.75;
    }));
    EXPECT_NEAR(eval(duration).toDouble() / before, 0.5, 0.02);

    // The preview worked on its own copy: no size, name or link was filled in.
    for (std::size_t k = 0; k < items.size(); ++k) {
        EXPECT_EQ(agent.Items[k].ImageFile, items[k].ImageFile);
        EXPECT_EQ(agent.Items[k].ImageWidth, items[k].ImageWidth);
        EXPECT_EQ(agent.Items[k].ImageHeight, items[k].ImageHeight);
        EXPECT_EQ(agent.Items[k].Link, items[k].Link);
    }
}

TEST_F(LivePreviewTest, ClickingAPictureSelectsItsItemAndNeverFollowsItsLink) {
    ASSERT_TRUE(WaitFor([&] { return shown >= 1; }));
    waitForPictures();
    preview().setPaused(true);
    QSignalSpy clicked(&preview(), &LivePreviewController::itemClicked);
    const QString pageUrl = eval(QStringLiteral("location.href")).toString();
    // The middle of the second picture of the first run, in the view.
    const QVariantList where =
        eval(QStringLiteral(
                 "(function(){var r=document.querySelectorAll('.slidercontainer img.sliderimages')[1]"
                 ".getBoundingClientRect(),b=document.querySelector('.slidercontainer')"
                 ".getBoundingClientRect();var y=Math.max(r.top,b.top)+5;"
                 "return [r.left+r.width/2, Math.min(y,b.bottom-5)];})()"))
            .toList();
    ASSERT_EQ(where.size(), 2);
    const QPoint point(where[0].toInt(), where[1].toInt());
    // The position the picture had may have moved on before pausing: the
    // item is the one the page says is under the point.
    const int expected =
        eval(QStringLiteral("(function(){var e=document.elementFromPoint(%1,%2);var run=e.closest('a')?"
                            "e.closest('a').parentNode:e.parentNode;return Array.prototype.indexOf.call("
                            "run.querySelectorAll('img.sliderimages'),e);})()")
                 .arg(point.x())
                 .arg(point.y()))
            .toInt();
    ASSERT_GE(expected, 0);
    QWidget* input = preview().web()->widget()->focusProxy();
    QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, point);
    ASSERT_TRUE(WaitFor([&] { return clicked.count() == 1; }));
    EXPECT_EQ(clicked.at(0).at(0).toInt(), preview().shownItems().at(std::size_t(expected)));
    EXPECT_TRUE(shell.opened.empty());

    QTest::mouseClick(input, Qt::LeftButton, Qt::ControlModifier, point);
    ASSERT_TRUE(WaitFor([&] { return !shell.opened.empty(); }));
    EXPECT_EQ(shell.opened.front(), QStringLiteral("http://www.example.com/page%1.html").arg(expected));
    EXPECT_EQ(clicked.count(), 1);
    QTest::qWait(200);
    EXPECT_EQ(eval(QStringLiteral("location.href")).toString(), pageUrl);

    // Selecting an item in the tree outlines its picture in every run.
    preview().selectItem(2);
    ASSERT_TRUE(WaitFor([&] {
        return eval(QStringLiteral("document.querySelectorAll('.marivel-selected').length")).toInt() > 0;
    }));
    EXPECT_EQ(eval(QStringLiteral("Array.prototype.indexOf.call(document.querySelectorAll("
                                  "'.slidercontainer > div > div:first-child img'),document.querySelector("
                                  "'.marivel-selected'))"))
                  .toInt(),
              2);
}

TEST_F(LivePreviewTest, NothingOutsideTheFolderIsEverRequested) {
    ASSERT_TRUE(WaitFor([&] { return shown >= 1; }));
    // A server on this machine that counts whoever comes.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    int visits = 0;
    QObject::connect(&server, &QTcpServer::newConnection, [&] { ++visits; });
    const QString remote = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    // What a hostile page or project could ask for: the network, the
    // user's files, a neighbour of the folder.
    const QString sibling =
        QUrl::fromLocalFile(QString::fromStdString((dir / "photo0.jpg").string())).toString();
    eval(QStringLiteral("fetch('%1track').catch(function(){});"
                        "new Image().src='%1pixel.gif';"
                        "new Image().src='%2';"
                        "var s=document.createElement('script');s.src='file:///etc/hostname';"
                        "document.head.appendChild(s);")
             .arg(remote, sibling));
    const auto refused = [&](const QString& url) {
        return preview().web()->requestLog().contains(QStringLiteral("refused ") + url);
    };
    EXPECT_TRUE(WaitFor([&] { return refused(sibling); }));
    EXPECT_TRUE(WaitFor([&] { return refused(QStringLiteral("file:///etc/hostname")); }));
    QTest::qWait(500);
    EXPECT_EQ(visits, 0);
    const QString folder = QUrl::fromLocalFile(QString::fromStdString((dir / "live").string())).toString();
    for (const QString& line : preview().web()->requestLog()) {
        if (line.startsWith(QStringLiteral("allowed "))) {
            EXPECT_TRUE(line.mid(8).startsWith(folder + "/")) << line.toStdString();
        }
    }
}

}  // namespace
}  // namespace marivel
