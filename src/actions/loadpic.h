#pragma once

#include <QImage>
#include <QString>

namespace vidfolio {

class Downloader;

// Loads the picture at an http or https address (downloaded with the same
// limits and connection as the pages) or in a local file. Any failure, from
// a missing answer to data that is not a picture, gives a null image; no
// state is kept between calls.
QImage LoadPic(Downloader &downloader, QString path);

} // namespace vidfolio
