#include "app/screenshot.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTreeWidget>
#include <cstdio>

#include "editor/main_form.h"

namespace marivel {

namespace {

bool save(TMainForm& form, const QString& path) {
    QApplication::processEvents();
    form.repaint();
    QApplication::processEvents();
    // The whole screen area of the window, frame and all, where a window
    // manager draws one; the widget itself otherwise.
    QPixmap picture;
    if (QScreen* screen = form.screen()) picture = screen->grabWindow(form.winId());
    if (picture.isNull() || picture.width() < form.width()) picture = form.grab();
    const bool ok = picture.save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int SaveScreenshots(TMainForm& form, const QString& folder) {
    QDir().mkpath(folder);
    form.raise();
    form.activateWindow();
    if (form.Agent().Items.empty()) {
        for (int i = 0; i < 4; ++i) form.Insert1Click();
    }
    QTreeWidget* tree = form.Tree();
    tree->setCurrentItem(tree->topLevelItem(0));
    bool ok = save(form, QDir(folder).filePath(QStringLiteral("editor-root.png")));

    QTreeWidgetItem* item =
        tree->topLevelItem(0)->child(std::min(1, tree->topLevelItem(0)->childCount() - 1));
    if (item) {
        tree->setCurrentItem(item);
        if (auto* link = form.findChild<QComboBox*>(QStringLiteral("cmbx_ILink")))
            if (link->currentText().isEmpty()) link->setEditText(QStringLiteral("http://www.example.com/"));
        if (auto* tip = form.findChild<QLineEdit*>(QStringLiteral("edt_IToolTip")))
            if (tip->text().isEmpty()) tip->setText(QStringLiteral("A sunny afternoon"));
        ok = save(form, QDir(folder).filePath(QStringLiteral("editor-item.png"))) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace marivel
