#include "app/screenshot.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>

#include "documents/about_dialog.h"
#include "documents/help_commands.h"
#include "editor/main_window.h"

namespace marivel {

namespace {

bool save(QWidget& form, const QString& path) {
    QApplication::processEvents();
    form.repaint();
    QApplication::processEvents();
    // The whole screen area of the window, frame and all, where a window
    // manager draws one; the widget itself otherwise.
    QPixmap picture;
    if (QScreen* screen = form.screen()) picture = screen->grabWindow(form.winId());
    if (picture.isNull() || picture.width() < form.width()) picture = form.grab();
    const bool ok = picture.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", qPrintable(path), picture.width(),
                picture.height());
    return ok;
}

// The display server maps, moves and resizes windows in its own time.
void waitForTheScreen() {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

}  // namespace

QSize ParseScreenshotSize(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch()) return {};
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

int SaveScreenshots(MainWindow& form, Shell& shell, const QString& folder) {
    QDir().mkpath(folder);
    const QSize size = ParseScreenshotSize(qEnvironmentVariable("MARIVEL_SCREENSHOT_SIZE"));
    QString suffix;
    if (size.isValid()) {
        form.resize(size);
        // Centred again, so the whole window stays on the screen.
        if (QScreen* screen = form.screen())
            form.move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
        suffix = QStringLiteral("-%1x%2").arg(size.width()).arg(size.height());
        // The display server resizes the window in its own time; a picture
        // taken before would show the old window in a frame of the new size.
        waitForTheScreen();
    }
    auto file = [&](const char* name) {
        return QDir(folder).filePath(QLatin1String(name) + suffix + QStringLiteral(".png"));
    };
    form.raise();
    form.activateWindow();
    if (form.editor().documentAgent().Items.empty()) {
        for (int i = 0; i < 4; ++i) form.editor().insertItem();
    }
    QTreeWidget* tree = form.treeWidget();
    tree->setCurrentItem(tree->topLevelItem(0));
    form.propertyTabs()->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("tbshtScript")));
    bool ok = save(form, file("editor-root"));
    form.propertyTabs()->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("tbshtPath")));
    ok = save(form, file("editor-path")) && ok;
    form.propertyTabs()->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("tbshtScript")));

    QTreeWidgetItem* item =
        tree->topLevelItem(0)->child(std::min(1, tree->topLevelItem(0)->childCount() - 1));
    if (item) {
        tree->setCurrentItem(item);
        if (auto* link = form.findChild<QComboBox*>(QStringLiteral("cmbx_ILink")))
            if (link->currentText().isEmpty()) link->setEditText(QStringLiteral("http://www.example.com/"));
        if (auto* tip = form.findChild<QLineEdit*>(QStringLiteral("edt_IToolTip")))
            if (tip->text().isEmpty()) tip->setText(QStringLiteral("A sunny afternoon"));
        ok = save(form, file("editor-item")) && ok;
    }

    // The help window with a group's page, and the About box. Both are
    // pictured once, at their own fixed sizes.
    if (!size.isValid()) {
        form.helpCommands().showGroupHelp(2);
        waitForTheScreen();
        ok = save(form.helpCommands().helpPageWindow(), file("help-window")) && ok;
        form.helpCommands().helpPageWindow().hide();
        AboutDialog about(shell, &form);
        about.show();
        waitForTheScreen();
        ok = save(about, file("about-box")) && ok;
        about.close();
    }
    return ok ? 0 : 1;
}

}  // namespace marivel
