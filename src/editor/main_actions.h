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
    QAction* New1;
    QAction* Open1;
    QAction* Save1;
    QAction* Save2;
    QAction* Templet1;
    QAction* SaveAsTemplate1;
    QMenu* mnitRecentFiles;
    QAction* Exit1;
    // Edit: the captions name the step ("&Undo Delete").
    QAction* undoAction;
    QAction* redoAction;
    // View
    QAction* ToolBar1;
    QAction* StatusBar2;
    QAction* thumbnailsMenuItem;  // "&Thumbnails", checked: photos as tree icons
    // Item
    QAction* Insert2;
    QAction* Delete2;
    QAction* MoveUp2;
    QAction* MoveDown2;
    QAction* insertPicturesMenuItem;
    // Script
    QAction* Preview1;
    QAction* BuildHTML1;
    QAction* Publish1;
    // Option
    QAction* WebBrowser1;
    QAction* ImageQuality1;
    // Help
    QAction* Topic1;
    QAction* ViewSample1;
    QAction* Homepage1;
    QAction* ContactUs1;
    QAction* About1;

    // Tool bar and its buttons' actions (the buttons carry the same names).
    QToolBar* tlbr1;
    QAction* tlbtnNew;
    QAction* tlbtnOpen;
    QAction* tlbtnSave;
    QAction* tlbtnInsert;
    QAction* insertPicturesTool;  // beside Insert; not one of the ten original buttons
    QAction* tlbtnDelete;
    QAction* tlbtnMoveUp;
    QAction* tlbtnMoveDown;
    QAction* tlbtnBuildHTML;
    QAction* tlbtnPreview;
    QAction* tlbtnHelp;

    // The design tree's popup menu.
    QMenu* popup;
    QAction* Insert1;
    QAction* Delete1;
    QAction* MoveUp1;
    QAction* MoveDown1;
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
