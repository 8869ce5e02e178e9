#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace vidfolio::ui {

// The window icon, 32 x 32: a video camera.
QIcon windowIcon();

// The five 16 x 16 node pictures of the tree; the first, a small video
// camera, marks every listed video.
QList<QIcon> nodePictures();

} // namespace vidfolio::ui
