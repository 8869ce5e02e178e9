#pragma once

#include "platform/downloader.h"

#include <QImage>
#include <QString>

namespace vidfolio {

// A picture as LoadPic loaded it: Done with the picture, Failed with a null
// image, or Stopped (the run loop was stopped during the download).
struct [[nodiscard]] LoadedPicture
{
    Outcome outcome = Outcome::Failed;
    QImage image;
};

// Loads the picture at an http or https address (downloaded within
// `limits`, on the connection the pages use) or in a local file. Any
// failure, from a missing answer to data that is not a picture, gives a null
// image; no state is kept between calls.
LoadedPicture LoadPic(Downloader &downloader, const QString &path, const DownloadLimits &limits);

} // namespace vidfolio
