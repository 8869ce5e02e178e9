#pragma once

#include "actions/selection.h"

#include <QLabel>

#include <array>

class QImage;

namespace vidfolio::ui {

// A thumbnail box: a picture that takes the keyboard focus by Tab or click
// and shows it with a frame in the highlight colour.
class ThumbnailBox final : public QLabel
{
    Q_OBJECT
public:
    explicit ThumbnailBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The row of thumbnail boxes under the tree, one for each picture of a
// video (kThumbnails), from the left: "SitePic0" onwards, each in its place
// of the layout and named for a screen reader. The boxes are children of
// the widget given.
class ThumbnailRow
{
public:
    explicit ThumbnailRow(QWidget *parent);

    // Tab goes from `before` to the first box and on through the row.
    void followInTabOrder(QWidget *before) const;
    // Shows `picture` in box `box` (0 to kThumbnails - 1); a null image
    // empties it.
    void setThumbnail(int box, const QImage &picture) const;

private:
    std::array<ThumbnailBox *, kThumbnails> m_boxes{};
};

} // namespace vidfolio::ui
