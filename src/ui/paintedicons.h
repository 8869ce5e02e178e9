#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace vidfolio::ui {

// The icons this program paints itself rather than loading from files: the
// program's icon and the tree's node icons. (Thumbnails, the pictures a
// video shows, are decoded in platform/picturereader.)

// The program's icon, a video camera, `size` pixels square: the window
// icon at 32 pixels and the icons installed for the desktop.
QPixmap programIcon(int size);

// The window icon, 32 x 32: the program's icon.
QIcon windowIcon();

// The five 16 x 16 node icons of the tree; the first, a small video
// camera, marks every listed video.
QList<QIcon> nodeIcons();

} // namespace vidfolio::ui
