#pragma once

#include <QObject>

#include "editor/icon_set.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace marivel {

// The main window's commands as the user reaches them: the main menu, the
// tool bar "tlbr1" and the design tree's popup menu. Every entry is its own
// action named like its control, because the item commands set the enabled
// state of the popup entry, the tool button and the menu entry one by one.
// Wiring the actions to behaviour is the main window's business.
class MainActions final : public QObject {
    Q_OBJECT
public:
    explicit MainActions(QMainWindow& window);

    // File
    QAction* newAction;
    QAction* openAction;
    QAction* saveAction;
    QAction* saveAsAction;
    QAction* templatesAction;
    QAction* saveAsTemplateAction;
    QMenu* recentFilesSubmenu;
    QAction* exitAction;
    // Edit: the captions name the step ("&Undo Delete").
    QAction* undoAction;
    QAction* redoAction;
    // View
    QAction* toolBarAction;
    QAction* statusBarAction;
    QAction* thumbnailsMenuItem;  // "&Thumbnails", checked: photos as tree icons
    // Item
    QAction* insertAction;
    QAction* deleteAction;
    QAction* moveUpAction;
    QAction* moveDownAction;
    QAction* insertPicturesMenuItem;
    // Script
    QAction* previewAction;
    QAction* buildHtmlAction;
    QAction* publishAction;
    QAction* uploadAction;  // upload to the web server
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

    // Tool bar and its buttons' actions (the buttons carry the same names).
    QToolBar* toolBar;
    QAction* newTool;
    QAction* openTool;
    QAction* saveTool;
    QAction* insertTool;
    QAction* insertPicturesTool;  // beside Insert; not one of the ten original buttons
    QAction* deleteTool;
    QAction* moveUpTool;
    QAction* moveDownTool;
    QAction* buildHtmlTool;
    QAction* previewTool;
    QAction* helpTool;

    // The design tree's popup menu.
    QMenu* popup;
    QAction* popupInsertAction;
    QAction* popupDeleteAction;
    QAction* popupMoveUpAction;
    QAction* popupMoveDownAction;
    QAction* insertPicturesPopupItem;

    QToolButton* button(QAction* toolAction) const;
    // The ten tool buttons in their order on the bar.
    QList<QToolButton*> toolButtons() const;

private:
    QAction* make(const char* name, const QString& caption, icons::Picture picture = icons::Picture::None);
    QAction* tool(const char* name, icons::Picture picture, const QString& hint);
    QAction* insertPictures(const char* name);
    void buildMenus();
    void buildToolBar();
    void buildPopup();

    QMainWindow& window_;
};

}  // namespace marivel
