#include "ui/main.h"

#include "ui/clickarea.h"
#include "ui/layout.h"
#include "ui/messageboxes.h"
#include "ui/paintedicons.h"
#include "ui/publisher.h"
#include "ui/usernamesmodel.h"
#include "ui/videotree.h"
#include "ui/windowlook.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QWindow>

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

QAction *menuItem(QMenu *menu, const char *name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *submenu(QWidget *parent, const char *name, const QString &title)
{
    auto *menu = new QMenu(title, parent);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

Main::Main(MainSetup setup)
    : m_boxes(std::move(setup.boxes)), m_endProgram(std::move(setup.endProgram)),
      m_program(std::move(setup), m_loop)
{
    if (!m_boxes)
        m_boxes = std::make_shared<MessageBoxes>();
    if (!m_endProgram)
        m_endProgram = [] { QCoreApplication::exit(0); };

    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Vidfolio - ") + QLatin1String(kPublisherSiteName));
    // Qualified: unqualified, the name is QWidget's own getter.
    setWindowIcon(ui::windowIcon());
    setFont(windowFont());
    m_img = nodeIcons();

    // Set before the controls are made, so that those given a colour of their
    // own take the other colours from it.
    setPalette(windowPalette());
    buildControls();
    buildMenus();
    paletteForPopups();
    connectHandlers();
    // The client area has a fixed size; the frame grows by the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    load();
}

Main::~Main() = default;

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
    m_txtUser = new QComboBox(client);
    m_txtUser->setObjectName(QStringLiteral("TxtUser"));
    m_txtUser->setGeometry(layout::txtUser);
    m_userNames = new UserNamesModel(m_txtUser);
    m_txtUser->setModel(m_userNames);
    m_txtUser->setEditable(true);
    // Enter adds nothing to the list, and no completion changes the name typed.
    m_txtUser->setInsertPolicy(QComboBox::NoInsert);
    m_txtUser->setCompleter(nullptr);
    m_txtUser->setDuplicatesEnabled(true);
    // The edit field takes the focus for the box, so it carries the name too.
    for (QWidget *named : std::initializer_list<QWidget *>{m_txtUser, m_txtUser->lineEdit()}) {
        named->setAccessibleName(QStringLiteral("YouTube username"));
        named->setAccessibleDescription(
            QStringLiteral("The user name whose videos to list; names listed before are offered"));
    }
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

void Main::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setNativeMenuBar(false);

    QMenu *file = submenu(bar, "File", QStringLiteral("File"));
    m_about = menuItem(file, "About", QStringLiteral("About"));
    m_exit = menuItem(file, "Exit", QStringLiteral("Exit"));
    menuItem(file, "Cancel1", QStringLiteral("Cancel"));
    bar->addMenu(file);

    QMenu *settings = submenu(bar, "Settings", QStringLiteral("Settings"));
    QMenu *videos = submenu(settings, "Videos", QStringLiteral("Videos"));
    m_showAll = menuItem(videos, "ShowAll", QStringLiteral("Show all"));
    m_onlyRecent = menuItem(videos, "OnlyRecent", QStringLiteral("Last 10 or less"));
    m_showAll->setCheckable(true);
    m_showAll->setChecked(true);
    m_onlyRecent->setCheckable(true);
    settings->addMenu(videos);
    menuItem(settings, "Cancel2", QStringLiteral("Cancel"));
    bar->addMenu(settings);

    m_video = submenu(bar, "Video", QStringLiteral("Video"));
    m_vidName = menuItem(m_video, "VidName", QStringLiteral("VidName"));
    m_vidName->setEnabled(false);
    m_download = menuItem(m_video, "Download", QStringLiteral("Download"));
    m_watchdirect = menuItem(m_video, "Watchdirect", QStringLiteral("Watch direct"));
    m_watch = menuItem(m_video, "Watch", QStringLiteral("Watch normal"));
    menuItem(m_video, "Cancel3", QStringLiteral("Cancel"));
    bar->addMenu(m_video);
    m_video->menuAction()->setVisible(false);
}

void Main::connectHandlers()
{
    connect(m_cmdGo, &ClickArea::clicked, this, &Main::cmdGoClick);
    connect(m_about, &QAction::triggered, this, &Main::aboutClick);
    connect(m_exit, &QAction::triggered, this, &Main::exitClick);
    connect(m_showAll, &QAction::triggered, this, &Main::showAllClick);
    connect(m_onlyRecent, &QAction::triggered, this, &Main::onlyRecentClick);
    connect(m_treeVids, &VideoTree::entryClicked, this, &Main::treeVidsClicked);
    connect(m_video, &QMenu::aboutToShow, this, &Main::videoClick);
    connect(m_download, &QAction::triggered, this,
            [this] { videoCommandClick(VideoCommand::Download); });
    connect(m_watchdirect, &QAction::triggered, this,
            [this] { videoCommandClick(VideoCommand::Watchdirect); });
    connect(m_watch, &QAction::triggered, this, [this] { videoCommandClick(VideoCommand::Watch); });
}

void Main::load()
{
    if (m_program.loadHistory(*this) == HistoryRead::Unreadable)
        setStatus(QStringLiteral("Cannot read users.vidfolio; it is left as it is"));
}

void Main::cmdGoClick()
{
    m_program.listVideos(*this, *this);
}

void Main::aboutClick()
{
    const QStringList lines{QStringLiteral("Vidfolio version 1"),
                            QString(),
                            QStringLiteral("Email: ") + QLatin1String(kAuthorEmail),
                            QStringLiteral("  Site: ") + QLatin1String(kPublisherSiteAddress),
                            QString(),
                            QStringLiteral("This program will list a YouTube users videos.")};
    m_boxes->show(this, QStringLiteral("Vidfolio"), lines.join(u'\n'), QMessageBox::NoIcon);
}

void Main::exitClick()
{
    saveAndEnd();
}

void Main::closeEvent(QCloseEvent *event)
{
    if (!m_loop.ending())
        saveAndEnd();
    event->accept();
}

void Main::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_watchingStates || !windowHandle())
        return;
    // A title bar drawn by the toolkit (on Wayland) offers maximize whatever
    // the window's size hints say, and asks the compositor for it straight
    // from its window; the compositor then requires the window to take the
    // size it gives, and ends the connection of a window that keeps its
    // fixed size. The request is seen here, before the compositor answers.
    connect(windowHandle(), &QWindow::windowStateChanged, this, [this](Qt::WindowState state) {
        if (state == Qt::WindowMaximized || state == Qt::WindowFullScreen)
            fitWindowState(state);
    });
    m_watchingStates = true;
}

void Main::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The fixed size comes back once the window system has taken the window
    // out of the maximized state, not as soon as that is asked for: until
    // then the window must keep the size of that state.
    if (event->type() == QEvent::WindowStateChange)
        fitWindowState(windowState());
}

void Main::fitWindowState(Qt::WindowStates states)
{
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else if (layout()->sizeConstraint() != QLayout::SetFixedSize) {
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        // At once, not at the next layout pass: the size goes with the state.
        layout()->activate();
    }
}

void Main::saveAndEnd()
{
    // Set first: a download under way (the close may come while a handler
    // waits for the site) is given up, and none starts from here on.
    m_loop.end();
    m_program.saveHistory(*this);
    m_loop.pumpEvents();
    m_endProgram();
}

void Main::showAllClick()
{
    m_showAll->setChecked(true);
    m_onlyRecent->setChecked(false);
}

void Main::onlyRecentClick()
{
    m_onlyRecent->setChecked(true);
    m_showAll->setChecked(false);
}

void Main::treeVidsClicked(const QString &key)
{
    m_program.chooseVideo(*this, key);
}

void Main::videoClick()
{
    VideoMenuOpened(*this);
}

void Main::videoCommandClick(VideoCommand command)
{
    m_program.runVideoCommand(command, *this);
}

} // namespace vidfolio::ui
