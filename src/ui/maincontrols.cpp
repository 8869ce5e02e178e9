// The window's controls, made once when the window is: their places,
// names, colours and what a screen reader says of them.

#include "ui/main.h"

#include "ui/clickarea.h"
#include "ui/layout.h"
#include "ui/publisher.h"
#include "ui/usernamebox.h"
#include "ui/videotree.h"
#include "ui/windowlook.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>

namespace vidfolio::ui {
namespace {

QLabel *caption(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setFont(windowFont(true));
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

} // namespace

void Main::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(layout::clientArea.size());
    setCentralWidget(client);

    // Created from the bottom of the stacking order up, so that a control
    // listed earlier in the layout lies above one listed later.
    buildListControls(client);
    buildTree(client);
    buildStatusLine(client);
    buildUserBox(client);
    buildThumbnails(client);

    // The tab order of the layout: the tree, then the user-name box, then the
    // three thumbnails; the captions, bars and click area take no focus.
    setTabOrder(m_treeVids, m_txtUser);
    setTabOrder(m_txtUser, m_sitePic[0]);
    setTabOrder(m_sitePic[0], m_sitePic[1]);
    setTabOrder(m_sitePic[1], m_sitePic[2]);
}

// The frame around the list, the captions, the "List Videos" click area and
// the line under them.
void Main::buildListControls(QWidget *client)
{
    auto *shp = new QFrame(client);
    shp->setObjectName(QStringLiteral("Shp"));
    shp->setGeometry(layout::shp);
    shp->setFrameStyle(QFrame::Box | QFrame::Plain);
    // Colours come from palettes rather than style sheets: a style sheet puts
    // a widget under the slower style-sheet style, and the frame lies under
    // the tree, so it is painted again whenever the tree's scroll bar is.
    setColor(shp, QPalette::WindowText, QColor(128, 128, 128));

    caption(client, "Lbl0", QStringLiteral("YouTube username:"), layout::lbl[0]);
    QLabel *listVideos = caption(client, "Lbl1", QStringLiteral("List Videos"), layout::lbl[1]);
    QFont underlined = listVideos->font();
    underlined.setUnderline(true);
    listVideos->setFont(underlined);
    setColor(listVideos, QPalette::WindowText, QColor(64, 64, 64));

    m_cmdGo = new ClickArea(client);
    m_cmdGo->setObjectName(QStringLiteral("CmdGo"));
    m_cmdGo->setGeometry(layout::cmdGo);
    m_cmdGo->setToolTip(QStringLiteral("Click here to list videos"));
    m_cmdGo->setAccessibleName(QStringLiteral("List Videos"));
    m_cmdGo->setAccessibleDescription(m_cmdGo->toolTip());

    auto *line1 = new QFrame(client);
    line1->setObjectName(QStringLiteral("Line1"));
    line1->setGeometry(layout::line1);
    line1->setAutoFillBackground(true);
    setColor(line1, QPalette::Window, QColor(128, 128, 128));
}

// The progress bar and the tree of videos below it.
void Main::buildTree(QWidget *client)
{
    m_pb = new QProgressBar(client);
    m_pb->setObjectName(QStringLiteral("PB"));
    m_pb->setGeometry(layout::pb);
    m_pb->setRange(0, 100);
    m_pb->setValue(0);
    m_pb->setTextVisible(false);
    m_pb->setAccessibleName(QStringLiteral("Listing progress"));

    m_treeVids = new VideoTree(client);
    m_treeVids->setObjectName(QStringLiteral("TreeVids"));
    m_treeVids->setGeometry(layout::treeVids);
    m_treeVids->setFont(windowFont());
    m_treeVids->setIconSize(QSize(16, 16));
    m_treeVids->setImages(m_img);
    m_treeVids->setAccessibleName(QStringLiteral("Videos"));
    m_treeVids->setAccessibleDescription(
        QStringLiteral("The videos of the user listed last; click one to show its pictures"));
}

void Main::buildStatusLine(QWidget *client)
{
    m_stat = new QStatusBar(client);
    m_stat->setObjectName(QStringLiteral("Stat"));
    m_stat->setGeometry(layout::stat);
    m_stat->setSizeGripEnabled(false);
    // A permanent label: temporary messages would hide or replace it.
    m_statText = new QLabel(QLatin1String(kPublisherSiteName), m_stat);
    m_statText->setObjectName(QStringLiteral("StatText"));
    m_statText->setTextFormat(Qt::PlainText);
    m_stat->addPermanentWidget(m_statText, 1);
    // The label keeps its text as its name, so a screen reader reads the message.
    m_stat->setAccessibleName(QStringLiteral("Status line"));
}

void Main::buildUserBox(QWidget *client)
{
    m_txtUser = new UserNameBox(client);
    m_txtUser->setGeometry(layout::txtUser);
}

void Main::buildThumbnails(QWidget *client)
{
    const QString pictureNames[3] = {QStringLiteral("First picture"),
                                     QStringLiteral("Middle picture"),
                                     QStringLiteral("Last picture")};
    for (int i = 0; i < 3; ++i) {
        m_sitePic[i] = new ThumbnailBox(client);
        m_sitePic[i]->setObjectName(QStringLiteral("SitePic%1").arg(i));
        m_sitePic[i]->setGeometry(layout::sitePic[i]);
        m_sitePic[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_sitePic[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_sitePic[i]->setAccessibleName(pictureNames[i]);
        m_sitePic[i]->setAccessibleDescription(
            QStringLiteral("A thumbnail of the video chosen in the list"));
    }
}

void Main::paletteForPopups()
{
    // The menus and the drop-down list are windows of their own, which the
    // window's palette does not reach.
    const QPalette palette = windowPalette();
    for (QMenu *menu : findChildren<QMenu *>())
        menu->setPalette(palette);
    m_txtUser->view()->window()->setPalette(palette);
}

} // namespace vidfolio::ui
