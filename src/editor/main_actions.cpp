#include "editor/main_actions.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

#include "editor/icon_set.h"

namespace marivel {

using icons::Picture;

namespace {
// The popup's entries carried names of their own before they became the
// Item menu's actions; lookups by those names still find them.
constexpr const char* kAliasProperty = "alias";
}  // namespace

MainActions::MainActions(QMainWindow& window, QUndoStack& undoStack) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("MainActions"));
    buildMenus(undoStack);
    buildToolBar();
    buildPopup();
}

QAction* MainActions::add(QMenu* menu, const char* name, const QString& caption, Picture picture) {
    auto* action = new QAction(caption, &window_);
    action->setObjectName(QLatin1String(name));
    if (picture != Picture::None) action->setIcon(icons::picture(picture));
    if (menu) menu->addAction(action);
    return action;
}

QAction* MainActions::byName(const QString& name) const {
    for (QAction* action : window_.findChildren<QAction*>())
        if (action->objectName() == name || action->property(kAliasProperty).toString() == name)
            return action;
    return nullptr;
}

void MainActions::buildMenus(QUndoStack& undoStack) {
    QMenuBar* bar = window_.menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    fileMenu = bar->addMenu(QStringLiteral("&File"));
    newAction = add(fileMenu, "New1", QStringLiteral("&New..."), Picture::New);
    newAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openAction = add(fileMenu, "Open1", QStringLiteral("&Open..."), Picture::Open);
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction = add(fileMenu, "Save1", QStringLiteral("&Save"), Picture::Save);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAsAction = add(fileMenu, "Save2", QStringLiteral("Save &As..."));
    // "Save &As..." and "S&ave As Template" share their access key; each has
    // a shortcut of its own, so neither needs the letter.
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fileMenu->addSeparator();
    templatesAction = add(fileMenu, "Templet1", QStringLiteral("&Templates"));
    saveAsTemplateAction = add(fileMenu, "SaveAsTemplate1", QStringLiteral("S&ave As Template"));
    saveAsTemplateAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    fileMenu->addSeparator();
    recentFilesSubmenu = fileMenu->addMenu(QStringLiteral("&Recent Files"));
    recentFilesSubmenu->setObjectName(QStringLiteral("mnitRecentFiles"));
    fileMenu->addSeparator();
    exitAction = add(fileMenu, "Exit1", QStringLiteral("E&xit"));

    editMenu = bar->addMenu(QStringLiteral("&Edit"));
    editMenu->setObjectName(QStringLiteral("mnitEdit"));
    // The stack keeps the captions ("&Undo Delete") and the enabled states.
    undoAction = undoStack.createUndoAction(&window_, QStringLiteral("&Undo"));
    undoAction->setObjectName(QStringLiteral("mnitUndo"));
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = undoStack.createRedoAction(&window_, QStringLiteral("&Redo"));
    redoAction->setObjectName(QStringLiteral("mnitRedo"));
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The editor commits what was typed before it undoes: the main window
    // connects the actions to it instead of to the stack.
    for (QAction* a : {undoAction, redoAction}) {
        QObject::disconnect(a, &QAction::triggered, &undoStack, nullptr);
        editMenu->addAction(a);
    }

    viewMenu = bar->addMenu(QStringLiteral("&View"));
    toolBarAction = add(viewMenu, "ToolBar1", QStringLiteral("&Tool Bar"));
    statusBarAction = add(viewMenu, "StatusBar2", QStringLiteral("&Status Bar"));
    // "&Tool Bar" owns the T; the other View entries take letters of their own.
    thumbnailsMenuItem = add(viewMenu, "thumbnailsMenuItem", QStringLiteral("Thum&bnails"));
    fileNamesAction = add(viewMenu, "fileNamesMenuItem", QStringLiteral("File &Names"));
    const std::pair<QAction*, QKeyCombination> viewKeys[] = {
        {toolBarAction, Qt::CTRL | Qt::SHIFT | Qt::Key_T},
        {statusBarAction, Qt::CTRL | Qt::SHIFT | Qt::Key_B},
        {thumbnailsMenuItem, Qt::CTRL | Qt::SHIFT | Qt::Key_M},
        {fileNamesAction, Qt::CTRL | Qt::SHIFT | Qt::Key_N}};
    for (const auto& [a, key] : viewKeys) {
        a->setCheckable(true);
        a->setChecked(true);
        a->setShortcut(QKeySequence(key));
    }

    itemMenu = bar->addMenu(QStringLiteral("&Item"));
    insertAction = add(itemMenu, "Insert2", QStringLiteral("I&nsert"), Picture::Insert);
    insertPicturesAction = add(itemMenu, "insertPicturesMenuItem", QStringLiteral("Insert &Pictures..."),
                               Picture::insertPictures);
    insertPicturesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    deleteAction = add(itemMenu, "Delete2", QStringLiteral("&Delete"), Picture::Delete);
    moveUpAction = add(itemMenu, "MoveUp2", QStringLiteral("Move &Up"), Picture::MoveUp);
    moveDownAction = add(itemMenu, "MoveDown2", QStringLiteral("Move &Down"), Picture::MoveDown);
    // The three act on the tree's selection, so their keys work where the
    // tree has the focus (the editor adds the actions to the tree): Del in
    // a field of a page deletes text, Alt+Down in a list opens it.
    const std::pair<QAction*, QKeyCombination> itemKeys[] = {{deleteAction, QKeyCombination(Qt::Key_Delete)},
                                                             {moveUpAction, Qt::ALT | Qt::Key_Up},
                                                             {moveDownAction, Qt::ALT | Qt::Key_Down}};
    for (const auto& [a, key] : itemKeys) {
        a->setShortcut(QKeySequence(key));
        a->setShortcutContext(Qt::WidgetShortcut);
    }
    const std::pair<QAction*, const char*> aliases[] = {{insertAction, "Insert1"},
                                                        {deleteAction, "Delete1"},
                                                        {moveUpAction, "MoveUp1"},
                                                        {moveDownAction, "MoveDown1"},
                                                        {insertPicturesAction, "insertPicturesPopupItem"}};
    for (const auto& [action, alias] : aliases) action->setProperty(kAliasProperty, QLatin1String(alias));

    scriptMenu = bar->addMenu(QStringLiteral("&Script"));
    previewAction = add(scriptMenu, "Preview1", QStringLiteral("&Preview"), Picture::Preview);
    previewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    buildHtmlAction = add(scriptMenu, "BuildHTML1", QStringLiteral("Build &HTML..."), Picture::BuildHtml);
    // "&Preview" owns the P: the entry takes the I, and needs no shortcut.
    insertIntoPageAction =
        add(scriptMenu, "insertIntoPage1", QStringLiteral("&Insert into Page..."), Picture::InsertIntoPage);
    publishAction = add(scriptMenu, "Publish1", QStringLiteral("Pu&blish..."));
    uploadAction = add(scriptMenu, "Upload1", QStringLiteral("&Upload..."));
    uploadAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    checkServerAction = add(scriptMenu, "checkServer1", QStringLiteral("Chec&k the Server..."));

    optionMenu = bar->addMenu(QStringLiteral("&Option"));
    webBrowserAction = add(optionMenu, "WebBrowser1", QStringLiteral("Web &Browser..."));
    ImageQuality1 = add(optionMenu, "ImageQuality1", QStringLiteral("Image &Quality..."));
    webServerAction = add(optionMenu, "WebServer1", QStringLiteral("Web &Server..."));

    helpMenu = bar->addMenu(QStringLiteral("&Help"));
    helpTopicsAction = add(helpMenu, "Topic1", QStringLiteral("Help &Topics"), Picture::Help);
    viewSampleAction = add(helpMenu, "ViewSample1", QStringLiteral("View &Sample..."));
    helpMenu->addSeparator();
    homepageAction = add(helpMenu, "Homepage1", QStringLiteral("&Homepage"));
    contactUsAction = add(helpMenu, "ContactUs1", QStringLiteral("&Contact Us"));
    aboutAction = add(helpMenu, "About1", QStringLiteral("&About"));
}

void MainActions::tool(QAction* action, const char* name, const QString& hint) {
    // The button shows the hint as its tooltip; the menu keeps its caption.
    action->setToolTip(hint);
    toolBar->addAction(action);
    QToolButton* b = button(action);
    b->setObjectName(QLatin1String(name));
    // The hint line shows this text when the mouse moves over the button.
    b->setProperty("hint", hint);
    b->setAutoRaise(true);
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

    tool(newAction, "tlbtnNew", QStringLiteral("Create a new project"));
    tool(openAction, "tlbtnOpen", QStringLiteral("Open a project from the file that you saved before"));
    tool(saveAction, "tlbtnSave", QStringLiteral("Save the current project to a file"));
    toolBar->addSeparator();
    tool(insertAction, "tlbtnInsert", QStringLiteral("Insert a new item"));
    tool(insertPicturesAction, "insertPicturesTool",
         QStringLiteral("Insert one item for each of the pictures you choose"));
    tool(deleteAction, "tlbtnDelete", QStringLiteral("Delete selected item"));
    tool(moveUpAction, "tlbtnMoveUp", QStringLiteral("Move the selected item up"));
    tool(moveDownAction, "tlbtnMoveDown", QStringLiteral("Move the selected item down"));
    toolBar->addSeparator();
    tool(buildHtmlAction, "tlbtnBuildHTML", QStringLiteral("Build the HTML code"));
    tool(insertIntoPageAction, "insertIntoPageTool",
         QStringLiteral("Insert the slider into a web page of yours"));
    tool(previewAction, "tlbtnPreview", QStringLiteral("preview the applet in web browser"));
    toolBar->addSeparator();
    tool(helpTopicsAction, "tlbtnHelp", QStringLiteral("Show help document"));
}

void MainActions::buildPopup() {
    popup = new QMenu(&window_);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    popup->addActions({insertAction, insertPicturesAction, deleteAction, moveUpAction, moveDownAction});
}

QToolButton* MainActions::button(QAction* action) const {
    return qobject_cast<QToolButton*>(toolBar->widgetForAction(action));
}

QList<QToolButton*> MainActions::toolButtons() const {
    QList<QToolButton*> list;
    for (QAction* a : {newAction, openAction, saveAction, insertAction, deleteAction, moveUpAction,
                       moveDownAction, buildHtmlAction, previewAction, helpTopicsAction})
        list << button(a);
    return list;
}

}  // namespace marivel
