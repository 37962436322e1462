// View > Live Preview: the hook between the main window and the preview
// pane. The pane only reads the project; the window tells it what changed
// and which item is selected, and selects the item whose picture is
// clicked in the pane.
#include "editor/main_window.h"

#ifdef MARIVEL_LIVE_PREVIEW
#include <QAction>
#include <QMenuBar>
#include <QTreeWidget>

#include "editor/main_actions.h"
#include "editor/project_document.h"
#include "editor/project_editor.h"
#include "platform/typed_settings.h"
#include "preview/live_preview_controller.h"
#include "preview/live_preview_dock.h"
#endif

namespace marivel {

void MainWindow::installLivePreview() {
#ifdef MARIVEL_LIVE_PREVIEW
    // The pane's files go into this editor's own folder, beside the preview
    // folder of Preview in the browser.
    livePreview_ = new LivePreviewDock([this]() -> const DocumentAgent& { return document_->agent(); },
                                       shell_, document_->agent().WorkFolder() / "live-preview", this);
    addDockWidget(Qt::RightDockWidgetArea, livePreview_);
    auto* toggle = new QAction(QStringLiteral("&Live Preview"), this);
    toggle->setObjectName(QStringLiteral("livePreviewMenuItem"));
    toggle->setCheckable(true);
    toggle->setShortcut(QKeySequence(Qt::Key_F9));
    const QList<QAction*> menus = menuBar()->actions();
    for (QAction* menu : menus)
        if (menu->text() == QLatin1String("&View") && menu->menu()) menu->menu()->addAction(toggle);
    const bool shown = ReadSetting(settings_, kShowLivePreviewSetting);
    toggle->setChecked(shown);
    livePreview_->setVisible(shown);
    auto show = [this, toggle](bool on) {
        toggle->setChecked(on);
        livePreview_->setVisible(on);
        WriteSetting(settings_, kShowLivePreviewSetting, on);
    };
    connect(toggle, &QAction::triggered, this, show);
    connect(livePreview_, &LivePreviewDock::closedByUser, this, [show] { show(false); });

    // The pane follows the document: every committed change, undo and
    // redo, and the item whose page is shown.
    LivePreviewController& preview = livePreview_->controller();
    using What = LivePreviewController::What;
    ProjectDocument& document = *document_;
    connect(&document, &ProjectDocument::settingsChanged, &preview,
            [&preview] { preview.projectChanged(What::Settings); });
    connect(&document, &ProjectDocument::itemsChanged, &preview,
            [&preview] { preview.projectChanged(What::Items); });
    connect(&document, &ProjectDocument::structureChanged, &preview,
            [&preview] { preview.projectChanged(What::Structure); });
    connect(&document, &ProjectDocument::restored, &preview,
            [&preview] { preview.projectChanged(What::Structure); });
    connect(&document, &ProjectDocument::fileNameChanged, &preview,
            [&preview] { preview.projectChanged(What::Structure); });
    connect(&document, &ProjectDocument::pictureChanged, &preview, &LivePreviewController::pictureChanged);
    connect(this, &MainWindow::projectEdited, &preview, [&preview] { preview.projectChanged(What::Items); });
    connect(&document, &ProjectDocument::currentItemChanged, &preview, &LivePreviewController::selectItem);
    connect(&preview, &LivePreviewController::itemClicked, this, [this](int item) {
        if (QTreeWidgetItem* node = editor_->designTreeAdapter().item(item + 1))
            designTreeWidget_->setCurrentItem(node);
    });
#endif
}

}  // namespace marivel
