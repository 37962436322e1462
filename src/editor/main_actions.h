#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "editor/icon_set.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QUndoStack;

namespace marivel {

// The main window's commands as the user reaches them: the main menu, the
// tool bar "tlbr1" and the design tree's popup menu. Each command is one
// action, shared by the menu, the tool bar and the popup: its enabled state
// lives in one place. Wiring the actions to behaviour is the main window's
// business; another command is one call of add().
class MainActions final : public QObject {
    Q_OBJECT
public:
    // Undo and Redo follow undoStack: their captions name the step
    // ("&Undo Delete") and they are enabled while there is one.
    MainActions(QMainWindow& window, QUndoStack& undoStack);

    // Adds an action named name (its objectName) to menu; also names it
    // under alias when given, for lookups by the older popup names.
    QAction* add(QMenu* menu, const char* name, const QString& caption,
                 icons::Picture picture = icons::Picture::None);
    // The action with that objectName or alias; nullptr when there is none.
    QAction* byName(const QString& name) const;

    // The menus, for the commands to add to them.
    QMenu* fileMenu;
    QMenu* editMenu;
    QMenu* viewMenu;
    QMenu* itemMenu;
    QMenu* scriptMenu;
    QMenu* optionMenu;
    QMenu* helpMenu;

    // File
    QAction* newAction;
    QAction* openAction;
    QAction* saveAction;
    QAction* saveAsAction;
    QAction* templatesAction;
    QAction* saveAsTemplateAction;
    QMenu* recentFilesSubmenu;
    QAction* exitAction;
    // Edit
    QAction* undoAction;
    QAction* redoAction;
    // View
    QAction* toolBarAction;
    QAction* statusBarAction;
    QAction* thumbnailsMenuItem;  // "Thum&bnails", checked: photos as tree icons
    QAction* fileNamesAction;     // "File &Names", checked: picture names after the captions
    // Item (also on the tool bar and in the popup)
    QAction* insertAction;
    QAction* insertPicturesAction;
    QAction* deleteAction;
    QAction* moveUpAction;
    QAction* moveDownAction;
    // Script
    QAction* previewAction;
    QAction* buildHtmlAction;
    QAction* insertIntoPageAction;  // the slider into a page of the user's site
    QAction* publishAction;
    QAction* uploadAction;       // upload to the web server
    QAction* checkServerAction;  // the same, comparing with the server's listing
    // Option
    QAction* webBrowserAction;
    QAction* ImageQuality1;
    QAction* webServerAction;  // upload to the web server
    // Help
    QAction* helpTopicsAction;
    QAction* viewSampleAction;
    QAction* homepageAction;
    QAction* contactUsAction;
    QAction* aboutAction;

    QToolBar* toolBar;
    // The design tree's popup menu.
    QMenu* popup;

    // The tool button that shows action on the tool bar.
    QToolButton* button(QAction* action) const;
    // The ten tool buttons of the original bar, in their order.
    QList<QToolButton*> toolButtons() const;

private:
    void buildMenus(QUndoStack& undoStack);
    void buildToolBar();
    void buildPopup();
    // Puts action on the tool bar as a button named name, showing hint.
    void tool(QAction* action, const char* name, const QString& hint);

    QMainWindow& window_;
};

}  // namespace marivel
