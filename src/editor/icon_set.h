#pragma once

#include <QIcon>

namespace marivel {

// The program's pictures, drawn in one flat style at 16 by 16 (and 32 by 32
// for high-density screens) so that the tool bar, the menus and the tree look
// alike on every desktop, themed or not.
namespace icons {

// The shared picture list of the tool bar, the main menu and the popup menu.
// The numbers are the pictures' places in that list; the gaps are pictures
// no command uses any more.
enum class Picture {
    None = -1,  // a command without a picture
    New = 0,
    Open = 1,
    Save = 2,
    Insert = 6,
    Delete = 7,
    MoveUp = 8,
    MoveDown = 9,
    BuildHtml = 10,
    Preview = 11,
    Help = 12,
    insertPictures = 13,
    InsertIntoPage = 14,
};
// An empty icon for Picture::None.
QIcon picture(Picture which);
// The tree's two pictures: an item and the slider (root).
QIcon itemNode();
QIcon rootNode();
// The window icon.
QIcon application();
// The program's icon as a picture of side by side pixels, for the desktop's
// icon theme.
QImage applicationImage(int side);

}  // namespace icons

}  // namespace marivel
