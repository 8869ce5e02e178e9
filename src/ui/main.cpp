#include "ui/main.h"

#include "ui/clickarea.h"
#include "ui/mainmenus.h"
#include "ui/messageboxes.h"
#include "ui/paintedicons.h"
#include "ui/publisher.h"
#include "ui/usernamebox.h"
#include "ui/videotree.h"
#include "ui/windowlook.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QMenu>
#include <QWindow>

namespace vidfolio::ui {

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
    m_menus = std::make_unique<MainMenus>(menuBar());
    paletteForPopups();
    connectHandlers();
    // The client area has a fixed size; the frame grows by the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    load();
}

Main::~Main() = default;

void Main::connectHandlers()
{
    connect(m_cmdGo, &ClickArea::clicked, this, &Main::cmdGoClick);
    connect(m_menus->about(), &QAction::triggered, this, &Main::aboutClick);
    connect(m_menus->exit(), &QAction::triggered, this, &Main::exitClick);
    connect(m_treeVids, &VideoTree::entryClicked, this, &Main::treeVidsClicked);
    connect(m_menus->video(), &QMenu::aboutToShow, this, &Main::videoClick);
    for (VideoCommand command :
         {VideoCommand::Download, VideoCommand::Watchdirect, VideoCommand::Watch}) {
        connect(m_menus->command(command), &QAction::triggered, this,
                [this, command] { videoCommandClick(command); });
    }
}

void Main::load()
{
    if (m_program.loadHistory(*m_txtUser) == HistoryRead::Unreadable)
        setStatus(QStringLiteral("Cannot read users.vidfolio; it is left as it is"));
}

void Main::cmdGoClick()
{
    m_program.listVideos(*this, *m_txtUser);
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
    m_program.end(*m_txtUser, m_endProgram);
}

void Main::closeEvent(QCloseEvent *event)
{
    m_program.end(*m_txtUser, m_endProgram);
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

void Main::treeVidsClicked(const QString &key)
{
    m_program.chooseVideo(*this, key);
}

void Main::videoClick()
{
    m_program.openVideoMenu(*this);
}

void Main::videoCommandClick(VideoCommand command)
{
    m_program.runVideoCommand(command, *this);
}

} // namespace vidfolio::ui
