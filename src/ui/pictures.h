#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace vidfolio::ui {

// The program's picture, a video camera, `size` pixels square: the window
// icon at 32 pixels and the icons installed for the desktop.
QPixmap programPicture(int size);

// The window icon, 32 x 32: the program's picture.
QIcon windowIcon();

// The five 16 x 16 node pictures of the tree; the first, a small video
// camera, marks every listed video.
QList<QIcon> nodePictures();

} // namespace vidfolio::ui
