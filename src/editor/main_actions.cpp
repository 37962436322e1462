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
    New1 = make("New1", QStringLiteral("&New..."), Picture::New);
    New1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Open1 = make("Open1", QStringLiteral("&Open..."), Picture::Open);
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Save1 = make("Save1", QStringLiteral("&Save"), Picture::Save);
    Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Save2 = make("Save2", QStringLiteral("Save &As..."));
    Templet1 = make("Templet1", QStringLiteral("&Templates"));
    SaveAsTemplate1 = make("SaveAsTemplate1", QStringLiteral("S&ave As Template"));
    Exit1 = make("Exit1", QStringLiteral("E&xit"));
    file->addActions({New1, Open1, Save1, Save2});
    file->addSeparator();
    file->addActions({Templet1, SaveAsTemplate1});
    file->addSeparator();
    mnitRecentFiles = file->addMenu(QStringLiteral("&Recent Files"));
    mnitRecentFiles->setObjectName(QStringLiteral("mnitRecentFiles"));
    file->addSeparator();
    file->addAction(Exit1);

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
    ToolBar1 = make("ToolBar1", QStringLiteral("&Tool Bar"));
    StatusBar2 = make("StatusBar2", QStringLiteral("&Status Bar"));
    thumbnailsMenuItem = make("thumbnailsMenuItem", QStringLiteral("&Thumbnails"));
    for (QAction* a : {ToolBar1, StatusBar2, thumbnailsMenuItem}) {
        a->setCheckable(true);
        a->setChecked(true);
        view->addAction(a);
    }

    QMenu* item = bar->addMenu(QStringLiteral("&Item"));
    Insert2 = make("Insert2", QStringLiteral("I&nsert"), Picture::Insert);
    Delete2 = make("Delete2", QStringLiteral("&Delete"), Picture::Delete);
    MoveUp2 = make("MoveUp2", QStringLiteral("Move &Up"), Picture::MoveUp);
    MoveDown2 = make("MoveDown2", QStringLiteral("Move &Down"), Picture::MoveDown);
    insertPicturesMenuItem = insertPictures("insertPicturesMenuItem");
    insertPicturesMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    item->addActions({Insert2, insertPicturesMenuItem, Delete2, MoveUp2, MoveDown2});

    QMenu* script = bar->addMenu(QStringLiteral("&Script"));
    Preview1 = make("Preview1", QStringLiteral("&Preview"), Picture::Preview);
    Preview1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    BuildHTML1 = make("BuildHTML1", QStringLiteral("Build &HTML..."), Picture::BuildHtml);
    Publish1 = make("Publish1", QStringLiteral("Pu&blish..."));
    script->addActions({Preview1, BuildHTML1, Publish1});

    QMenu* option = bar->addMenu(QStringLiteral("&Option"));
    WebBrowser1 = make("WebBrowser1", QStringLiteral("Web &Browser..."));
    ImageQuality1 = make("ImageQuality1", QStringLiteral("Image &Quality..."));
    option->addActions({WebBrowser1, ImageQuality1});

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    Topic1 = make("Topic1", QStringLiteral("Help &Topics"), Picture::Help);
    ViewSample1 = make("ViewSample1", QStringLiteral("View &Sample..."));
    Homepage1 = make("Homepage1", QStringLiteral("&Homepage"));
    ContactUs1 = make("ContactUs1", QStringLiteral("&Contact Us"));
    About1 = make("About1", QStringLiteral("&About"));
    help->addActions({Topic1, ViewSample1});
    help->addSeparator();
    help->addActions({Homepage1, ContactUs1, About1});
}

QAction* MainActions::insertPictures(const char* name) {
    return make(name, QStringLiteral("Insert &Pictures..."), Picture::InsertPictures);
}

QAction* MainActions::tool(const char* name, Picture picture, const QString& hint) {
    QAction* action = make(name, hint, picture);
    action->setToolTip(hint);
    tlbr1->addAction(action);
    QToolButton* b = button(action);
    b->setObjectName(QLatin1String(name));
    // The hint line shows this text when the mouse moves over the button.
    b->setProperty("hint", hint);
    b->setAutoRaise(true);
    return action;
}

void MainActions::buildToolBar() {
    tlbr1 = new QToolBar(QStringLiteral("Tool Bar"), &window_);
    tlbr1->setObjectName(QStringLiteral("tlbr1"));
    tlbr1->setMovable(false);
    tlbr1->setFloatable(false);
    tlbr1->setIconSize(QSize(16, 16));
    tlbr1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tlbr1->setContextMenuPolicy(Qt::PreventContextMenu);
    window_.addToolBar(Qt::TopToolBarArea, tlbr1);

    tlbtnNew = tool("tlbtnNew", Picture::New, QStringLiteral("Create a new project"));
    tlbtnOpen = tool("tlbtnOpen", Picture::Open,
                     QStringLiteral("Open a project from the file that you saved before"));
    tlbtnSave = tool("tlbtnSave", Picture::Save, QStringLiteral("Save the current project to a file"));
    tlbr1->addSeparator();
    tlbtnInsert = tool("tlbtnInsert", Picture::Insert, QStringLiteral("Insert a new item"));
    insertPicturesTool = tool("insertPicturesTool", Picture::InsertPictures,
                              QStringLiteral("Insert one item for each of the pictures you choose"));
    tlbtnDelete = tool("tlbtnDelete", Picture::Delete, QStringLiteral("Delete selected item"));
    tlbtnMoveUp = tool("tlbtnMoveUp", Picture::MoveUp, QStringLiteral("Move the selected item up"));
    tlbtnMoveDown = tool("tlbtnMoveDown", Picture::MoveDown, QStringLiteral("Move the selected item down"));
    tlbr1->addSeparator();
    tlbtnBuildHTML = tool("tlbtnBuildHTML", Picture::BuildHtml, QStringLiteral("Build the HTML code"));
    tlbtnPreview =
        tool("tlbtnPreview", Picture::Preview, QStringLiteral("preview the applet in web browser"));
    tlbr1->addSeparator();
    tlbtnHelp = tool("tlbtnHelp", Picture::Help, QStringLiteral("Show help document"));
}

void MainActions::buildPopup() {
    popup = new QMenu(&window_);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    Insert1 = make("Insert1", QStringLiteral("I&nsert"), Picture::Insert);
    Delete1 = make("Delete1", QStringLiteral("&Delete"), Picture::Delete);
    MoveUp1 = make("MoveUp1", QStringLiteral("Move &Up"), Picture::MoveUp);
    MoveDown1 = make("MoveDown1", QStringLiteral("Move &Down"), Picture::MoveDown);
    insertPicturesPopupItem = insertPictures("insertPicturesPopupItem");
    popup->addActions({Insert1, insertPicturesPopupItem, Delete1, MoveUp1, MoveDown1});
}

QToolButton* MainActions::button(QAction* toolAction) const {
    return qobject_cast<QToolButton*>(tlbr1->widgetForAction(toolAction));
}

QList<QToolButton*> MainActions::toolButtons() const {
    QList<QToolButton*> list;
    for (QAction* a : {tlbtnNew, tlbtnOpen, tlbtnSave, tlbtnInsert, tlbtnDelete, tlbtnMoveUp, tlbtnMoveDown,
                       tlbtnBuildHTML, tlbtnPreview, tlbtnHelp})
        list << button(a);
    return list;
}

}  // namespace marivel
