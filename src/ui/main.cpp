#include "ui/main.h"

#include "ui/clickarea.h"
#include "ui/clientarea.h"
#include "ui/mainmenus.h"
#include "ui/messageboxes.h"
#include "ui/paintedicons.h"
#include "ui/publisher.h"
#include "ui/usernamebox.h"
#include "ui/videotree.h"
#include "ui/windowlook.h"
#include "ui/windowstatefit.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>

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

    // Set before the controls are made, so that those given a colour of their
    // own take the other colours from it.
    setPalette(windowPalette());
    m_client = new ClientArea(this);
    setCentralWidget(m_client);
    m_menus = std::make_unique<MainMenus>(menuBar());
    paletteForPopups();
    connectHandlers();
    // The client area has a fixed size; the frame grows by the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    new WindowStateFit(this);
    load();
}

Main::~Main() = default;

void Main::paletteForPopups()
{
    // The menus and the drop-down list are windows of their own, which the
    // window's palette does not reach.
    const QPalette palette = windowPalette();
    for (QMenu *menu : findChildren<QMenu *>())
        menu->setPalette(palette);
    m_client->userBox()->view()->window()->setPalette(palette);
}

void Main::connectHandlers()
{
    connect(m_client->listVideos(), &ClickArea::clicked, this, &Main::cmdGoClick);
    connect(m_menus->about(), &QAction::triggered, this, &Main::aboutClick);
    connect(m_menus->exit(), &QAction::triggered, this, &Main::exitClick);
    connect(m_client->tree(), &VideoTree::entryClicked, this, &Main::treeVidsClicked);
    connect(m_menus->video(), &QMenu::aboutToShow, this, &Main::videoClick);
    for (VideoCommand command :
         {VideoCommand::Download, VideoCommand::Watchdirect, VideoCommand::Watch}) {
        connect(m_menus->command(command), &QAction::triggered, this,
                [this, command] { videoCommandClick(command); });
    }
}

void Main::load()
{
    if (m_program.loadHistory(*m_client->userBox()) == HistoryRead::Unreadable)
        setStatus(QStringLiteral("Cannot read users.vidfolio; it is left as it is"));
}

void Main::cmdGoClick()
{
    m_program.listVideos(*this, *m_client->userBox());
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
    m_program.end(*m_client->userBox(), m_endProgram);
}

void Main::closeEvent(QCloseEvent *event)
{
    m_program.end(*m_client->userBox(), m_endProgram);
    event->accept();
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

// What the program sees of the window: the view interfaces of the listing
// and of the video commands, each a plain read or write of the window's
// controls.

QString Main::GetVideoID(const QString &address)
{
    return m_program.GetVideoID(*this, address);
}

void Main::hideVideoMenu()
{
    m_menus->setVideoMenuShown(false);
}

void Main::setWindowEnabled(bool enabled)
{
    setEnabled(enabled);
}

void Main::setStatus(const QString &text)
{
    m_client->status()->setText(text);
}

void Main::focusUserBox()
{
    m_client->userBox()->setFocus(Qt::OtherFocusReason);
}

void Main::showVideoMenu()
{
    m_menus->setVideoMenuShown(true);
}

void Main::setThumbnail(int box, const QImage &picture)
{
    m_client->thumbnails().setThumbnail(box, picture);
}

void Main::setVideoNameCaption(const QString &caption)
{
    m_menus->setVideoNameCaption(caption);
}

std::optional<SelectedVideo> Main::selectedVideo() const
{
    const VideoTree *tree = m_client->tree();
    const std::optional<int> row = tree->selectedRow();
    if (!row)
        return std::nullopt;
    return SelectedVideo{tree->entryKey(*row), tree->entryTitle(*row)};
}

void Main::showNoVideoSelected()
{
    m_boxes->show(this, QStringLiteral("Error"), QStringLiteral("No video selected"),
                  QMessageBox::Warning);
}

bool Main::onlyRecent() const
{
    return m_menus->onlyRecent();
}

void Main::repaintTree()
{
    m_client->tree()->repaintNow();
}

void Main::treeCleared()
{
    m_client->tree()->clearEntries();
}

void Main::treeEntryAdded(const QString &key, const QString &text, int image)
{
    m_client->tree()->appendEntry(key, text, image);
}

void Main::progressChanged(int value, int maximum)
{
    QProgressBar *pb = m_client->progressBar();
    // A bar from 0 to 0 would turn into a busy indicator; show it empty.
    pb->setMaximum(maximum > 0 ? maximum : 1);
    pb->setValue(maximum > 0 ? value : 0);
}

} // namespace vidfolio::ui
