#include "editor/live_preview_hook.h"

#include "editor/main_window.h"

#ifdef MARIVEL_LIVE_PREVIEW
#include <QAction>
#include <QMenuBar>

#include "editor/main_actions.h"
#include "editor/project_document.h"
#include "editor/project_editor.h"
#include "platform/typed_settings.h"
#include "preview/live_preview_controller.h"
#include "preview/live_preview_dock.h"
#endif

namespace marivel {

LivePreviewDock* InstallLivePreview(MainWindow& window, SettingsStore& settings, Shell& shell) {
#ifdef MARIVEL_LIVE_PREVIEW
    ProjectDocument& document = window.document();
    // The pane's files go into this editor's own folder, beside the preview
    // folder of Preview in the browser.
    auto* dock = new LivePreviewDock([&document]() -> const DocumentAgent& { return document.agent(); },
                                     shell, document.agent().WorkFolder() / "live-preview", &window);
    window.addDockWidget(Qt::RightDockWidgetArea, dock);
    auto* toggle = new QAction(QStringLiteral("&Live Preview"), &window);
    toggle->setObjectName(QStringLiteral("livePreviewMenuItem"));
    toggle->setCheckable(true);
    toggle->setShortcut(QKeySequence(Qt::Key_F9));
    const QList<QAction*> menus = window.menuBar()->actions();
    for (QAction* menu : menus)
        if (menu->text() == QLatin1String("&View") && menu->menu()) menu->menu()->addAction(toggle);
    const bool shown = ReadSetting(settings, kShowLivePreviewSetting);
    toggle->setChecked(shown);
    dock->setVisible(shown);
    auto show = [dock, toggle, &settings](bool on) {
        toggle->setChecked(on);
        dock->setVisible(on);
        WriteSetting(settings, kShowLivePreviewSetting, on);
    };
    QObject::connect(toggle, &QAction::triggered, dock, show);
    QObject::connect(dock, &LivePreviewDock::closedByUser, dock, [show] { show(false); });

    // The pane follows the document: every committed change, undo and
    // redo, and the item whose page is shown.
    LivePreviewController& preview = dock->controller();
    using What = LivePreviewController::What;
    QObject::connect(&document, &ProjectDocument::settingsChanged, &preview,
                     [&preview] { preview.projectChanged(What::Settings); });
    QObject::connect(&document, &ProjectDocument::itemsChanged, &preview,
                     [&preview] { preview.projectChanged(What::Items); });
    QObject::connect(&document, &ProjectDocument::structureChanged, &preview,
                     [&preview] { preview.projectChanged(What::Structure); });
    QObject::connect(&document, &ProjectDocument::restored, &preview,
                     [&preview] { preview.projectChanged(What::Structure); });
    QObject::connect(&document, &ProjectDocument::fileNameChanged, &preview,
                     [&preview] { preview.projectChanged(What::Structure); });
    QObject::connect(&document, &ProjectDocument::pictureChanged, &preview,
                     &LivePreviewController::pictureChanged);
    QObject::connect(&window, &MainWindow::projectEdited, &preview,
                     [&preview] { preview.projectChanged(What::Items); });
    QObject::connect(&document, &ProjectDocument::currentItemChanged, &preview,
                     &LivePreviewController::selectItem);
    QObject::connect(&preview, &LivePreviewController::itemClicked, &window,
                     [&window](int item) { window.editor().selectItem(item); });
    return dock;
#else
    (void)window;
    (void)settings;
    (void)shell;
    return nullptr;
#endif
}

}  // namespace marivel
