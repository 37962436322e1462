#pragma once

#include <QIcon>

namespace marivel {

// The program's pictures, drawn in one flat style at 16 by 16 (and 32 by 32
// for high-density screens) so that the tool bar, the menus and the tree look
// alike on every desktop, themed or not.
namespace icons {

// The shared picture list of the tool bar, the main menu and the popup menu,
// by picture number: 0 New, 1 Open, 2 Save, 6 Insert, 7 Delete, 8 Move Up,
// 9 Move Down, 10 Build HTML, 11 Preview, 12 Help, 13 Insert Pictures. Unused numbers answer an
// empty icon.
QIcon picture(int number);
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
