#include "editor/main_actions.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "editor/icon_set.h"

namespace marivel {

using icons::Picture;

MainActions::MainActions(QMainWindow& window) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("MainActions"));
    buildMenus();
    buildToolBar();
    buildPopup();
}

QAction* MainActions::make(const char* name, const QString& caption, Picture picture) {
    auto* action = new QAction(caption, &window_);
    action->setObjectName(QLatin1String(name));
    if (picture != Picture::None) action->setIcon(icons::picture(picture));
    return action;
}

void MainActions::buildMenus() {
    QMenuBar* bar = window_.menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    newAction = make("New1", QStringLiteral("&New..."), Picture::New);
    newAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openAction = make("Open1", QStringLiteral("&Open..."), Picture::Open);
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction = make("Save1", QStringLiteral("&Save"), Picture::Save);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAsAction = make("Save2", QStringLiteral("Save &As..."));
    templatesAction = make("Templet1", QStringLiteral("&Templates"));
    saveAsTemplateAction = make("SaveAsTemplate1", QStringLiteral("S&ave As Template"));
    exitAction = make("Exit1", QStringLiteral("E&xit"));
    file->addActions({newAction, openAction, saveAction, saveAsAction});
    file->addSeparator();
    file->addActions({templatesAction, saveAsTemplateAction});
    file->addSeparator();
    recentFilesSubmenu = file->addMenu(QStringLiteral("&Recent Files"));
    recentFilesSubmenu->setObjectName(QStringLiteral("mnitRecentFiles"));
    file->addSeparator();
    file->addAction(exitAction);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnitEdit"));
    undoAction = make("mnitUndo", QStringLiteral("&Undo"));
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = make("mnitRedo", QStringLiteral("&Redo"));
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* a : {undoAction, redoAction}) {
        a->setEnabled(false);
        edit->addAction(a);
    }

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    toolBarAction = make("ToolBar1", QStringLiteral("&Tool Bar"));
    statusBarAction = make("StatusBar2", QStringLiteral("&Status Bar"));
    thumbnailsMenuItem = make("thumbnailsMenuItem", QStringLiteral("&Thumbnails"));
    for (QAction* a : {toolBarAction, statusBarAction, thumbnailsMenuItem}) {
        a->setCheckable(true);
        a->setChecked(true);
        view->addAction(a);
    }

    QMenu* item = bar->addMenu(QStringLiteral("&Item"));
    insertAction = make("Insert2", QStringLiteral("I&nsert"), Picture::Insert);
    deleteAction = make("Delete2", QStringLiteral("&Delete"), Picture::Delete);
    moveUpAction = make("MoveUp2", QStringLiteral("Move &Up"), Picture::MoveUp);
    moveDownAction = make("MoveDown2", QStringLiteral("Move &Down"), Picture::MoveDown);
    insertPicturesMenuItem = insertPictures("insertPicturesMenuItem");
    insertPicturesMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    item->addActions({insertAction, insertPicturesMenuItem, deleteAction, moveUpAction, moveDownAction});

    QMenu* script = bar->addMenu(QStringLiteral("&Script"));
    previewAction = make("Preview1", QStringLiteral("&Preview"), Picture::Preview);
    previewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    buildHtmlAction = make("BuildHTML1", QStringLiteral("Build &HTML..."), Picture::BuildHtml);
    publishAction = make("Publish1", QStringLiteral("Pu&blish..."));
    script->addActions({previewAction, buildHtmlAction, publishAction});
    // Upload to the web server.
    uploadAction = make("Upload1", QStringLiteral("&Upload..."));
    uploadAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    script->addAction(uploadAction);

    QMenu* option = bar->addMenu(QStringLiteral("&Option"));
    webBrowserAction = make("WebBrowser1", QStringLiteral("Web &Browser..."));
    ImageQuality1 = make("ImageQuality1", QStringLiteral("Image &Quality..."));
    option->addActions({webBrowserAction, ImageQuality1});
    // Upload to the web server.
    webServerAction = make("WebServer1", QStringLiteral("Web &Server..."));
    option->addAction(webServerAction);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    helpTopicsAction = make("Topic1", QStringLiteral("Help &Topics"), Picture::Help);
    viewSampleAction = make("ViewSample1", QStringLiteral("View &Sample..."));
    homepageAction = make("Homepage1", QStringLiteral("&Homepage"));
    contactUsAction = make("ContactUs1", QStringLiteral("&Contact Us"));
    aboutAction = make("About1", QStringLiteral("&About"));
    help->addActions({helpTopicsAction, viewSampleAction});
    help->addSeparator();
    help->addActions({homepageAction, contactUsAction, aboutAction});
}

QAction* MainActions::insertPictures(const char* name) {
    return make(name, QStringLiteral("Insert &Pictures..."), Picture::insertPictures);
}

QAction* MainActions::tool(const char* name, Picture picture, const QString& hint) {
    QAction* action = make(name, hint, picture);
    action->setToolTip(hint);
    toolBar->addAction(action);
    QToolButton* b = button(action);
    b->setObjectName(QLatin1String(name));
    // The hint line shows this text when the mouse moves over the button.
    b->setProperty("hint", hint);
    b->setAutoRaise(true);
    return action;
}

void MainActions::buildToolBar() {
    toolBar = new QToolBar(QStringLiteral("Tool Bar"), &window_);
    toolBar->setObjectName(QStringLiteral("tlbr1"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    window_.addToolBar(Qt::TopToolBarArea, toolBar);

    newTool = tool("tlbtnNew", Picture::New, QStringLiteral("Create a new project"));
    openTool = tool("tlbtnOpen", Picture::Open,
                    QStringLiteral("Open a project from the file that you saved before"));
    saveTool = tool("tlbtnSave", Picture::Save, QStringLiteral("Save the current project to a file"));
    toolBar->addSeparator();
    insertTool = tool("tlbtnInsert", Picture::Insert, QStringLiteral("Insert a new item"));
    insertPicturesTool = tool("insertPicturesTool", Picture::insertPictures,
                              QStringLiteral("Insert one item for each of the pictures you choose"));
    deleteTool = tool("tlbtnDelete", Picture::Delete, QStringLiteral("Delete selected item"));
    moveUpTool = tool("tlbtnMoveUp", Picture::MoveUp, QStringLiteral("Move the selected item up"));
    moveDownTool = tool("tlbtnMoveDown", Picture::MoveDown, QStringLiteral("Move the selected item down"));
    toolBar->addSeparator();
    buildHtmlTool = tool("tlbtnBuildHTML", Picture::BuildHtml, QStringLiteral("Build the HTML code"));
    previewTool = tool("tlbtnPreview", Picture::Preview, QStringLiteral("preview the applet in web browser"));
    toolBar->addSeparator();
    helpTool = tool("tlbtnHelp", Picture::Help, QStringLiteral("Show help document"));
}

void MainActions::buildPopup() {
    popup = new QMenu(&window_);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    popupInsertAction = make("Insert1", QStringLiteral("I&nsert"), Picture::Insert);
    popupDeleteAction = make("Delete1", QStringLiteral("&Delete"), Picture::Delete);
    popupMoveUpAction = make("MoveUp1", QStringLiteral("Move &Up"), Picture::MoveUp);
    popupMoveDownAction = make("MoveDown1", QStringLiteral("Move &Down"), Picture::MoveDown);
    insertPicturesPopupItem = insertPictures("insertPicturesPopupItem");
    popup->addActions({popupInsertAction, insertPicturesPopupItem, popupDeleteAction, popupMoveUpAction,
                       popupMoveDownAction});
}

QToolButton* MainActions::button(QAction* toolAction) const {
    return qobject_cast<QToolButton*>(toolBar->widgetForAction(toolAction));
}

QList<QToolButton*> MainActions::toolButtons() const {
    QList<QToolButton*> list;
    for (QAction* a : {newTool, openTool, saveTool, insertTool, deleteTool, moveUpTool, moveDownTool,
                       buildHtmlTool, previewTool, helpTool})
        list << button(a);
    return list;
}

}  // namespace marivel
