#include "ui/clientarea.h"

#include "ui/clickarea.h"
#include "ui/layout.h"
#include "ui/paintedicons.h"
#include "ui/publisher.h"
#include "ui/usernamebox.h"
#include "ui/videotree.h"
#include "ui/windowlook.h"

#include <QLabel>
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

// The frame around the list, the captions, the "List Videos" click area and
// the line under them; returns the click area.
ClickArea *makeListControls(QWidget *client)
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

    auto *cmdGo = new ClickArea(client);
    cmdGo->setObjectName(QStringLiteral("CmdGo"));
    cmdGo->setGeometry(layout::cmdGo);
    cmdGo->setToolTip(QStringLiteral("Click here to list videos"));
    cmdGo->setAccessibleName(QStringLiteral("List Videos"));
    cmdGo->setAccessibleDescription(cmdGo->toolTip());

    auto *line1 = new QFrame(client);
    line1->setObjectName(QStringLiteral("Line1"));
    line1->setGeometry(layout::line1);
    line1->setAutoFillBackground(true);
    setColor(line1, QPalette::Window, QColor(128, 128, 128));
    return cmdGo;
}

// The progress bar, above the tree.
QProgressBar *makeProgressBar(QWidget *client)
{
    auto *pb = new QProgressBar(client);
    pb->setObjectName(QStringLiteral("PB"));
    pb->setGeometry(layout::pb);
    pb->setRange(0, 100);
    pb->setValue(0);
    pb->setTextVisible(false);
    pb->setAccessibleName(QStringLiteral("Listing progress"));
    return pb;
}

VideoTree *makeVideoTree(QWidget *client)
{
    auto *tree = new VideoTree(client);
    tree->setObjectName(QStringLiteral("TreeVids"));
    tree->setGeometry(layout::treeVids);
    tree->setFont(windowFont());
    tree->setIconSize(QSize(16, 16));
    tree->setImages(nodeIcons());
    tree->setAccessibleName(QStringLiteral("Videos"));
    tree->setAccessibleDescription(
        QStringLiteral("The videos of the user listed last; click one to show its pictures"));
    return tree;
}

// The status bar and its label; returns the label.
QLabel *makeStatusLine(QWidget *client)
{
    auto *stat = new QStatusBar(client);
    stat->setObjectName(QStringLiteral("Stat"));
    stat->setGeometry(layout::stat);
    stat->setSizeGripEnabled(false);
    // A permanent label: temporary messages would hide or replace it.
    auto *statText = new QLabel(QLatin1String(kPublisherSiteName), stat);
    statText->setObjectName(QStringLiteral("StatText"));
    statText->setTextFormat(Qt::PlainText);
    stat->addPermanentWidget(statText, 1);
    // The label keeps its text as its name, so a screen reader reads the message.
    stat->setAccessibleName(QStringLiteral("Status line"));
    return statText;
}

UserNameBox *makeUserBox(QWidget *client)
{
    auto *txtUser = new UserNameBox(client);
    txtUser->setGeometry(layout::txtUser);
    return txtUser;
}

} // namespace

ClientArea::ClientArea(QWidget *parent)
    : QWidget(parent), m_cmdGo(makeListControls(this)), m_pb(makeProgressBar(this)),
      m_treeVids(makeVideoTree(this)), m_statText(makeStatusLine(this)),
      m_txtUser(makeUserBox(this)), m_thumbnails(this)
{
    setObjectName(QStringLiteral("ClientArea"));
    setFixedSize(layout::clientArea.size());
    setTabOrder(m_treeVids, m_txtUser);
    m_thumbnails.followInTabOrder(m_txtUser);
}

} // namespace vidfolio::ui
