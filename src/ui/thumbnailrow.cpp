#include "ui/thumbnailrow.h"

#include "ui/layout.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <iterator>

namespace vidfolio::ui {
namespace {

constexpr const char *kPictureNames[] = {"First picture", "Middle picture", "Last picture"};
static_assert(std::size(kPictureNames) == kThumbnails, "a screen reader's name for every box");

} // namespace

ThumbnailBox::ThumbnailBox(QWidget *parent) : QLabel(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ThumbnailBox::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Two pixels inside the sunken frame, drawn over the picture.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(contentsRect()).adjusted(1, 1, -1, -1));
}

ThumbnailRow::ThumbnailRow(QWidget *parent)
{
    for (int i = 0; i < kThumbnails; ++i) {
        auto *box = new ThumbnailBox(parent);
        box->setObjectName(QStringLiteral("SitePic%1").arg(i));
        box->setGeometry(layout::sitePic(i));
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setAccessibleName(QLatin1String(kPictureNames[i]));
        box->setAccessibleDescription(
            QStringLiteral("A thumbnail of the video chosen in the list"));
        m_boxes[static_cast<std::size_t>(i)] = box;
    }
}

void ThumbnailRow::followInTabOrder(QWidget *before) const
{
    for (ThumbnailBox *box : m_boxes) {
        QWidget::setTabOrder(before, box);
        before = box;
    }
}

void ThumbnailRow::setThumbnail(int box, const QImage &picture) const
{
    ThumbnailBox *shown = m_boxes[static_cast<std::size_t>(box)];
    if (picture.isNull())
        shown->clear();
    else
        shown->setPixmap(QPixmap::fromImage(picture));
}

} // namespace vidfolio::ui
