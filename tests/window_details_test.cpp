#include "support/windowfixture.h"
#include "ui/paintedicons.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace vidfolio;
using test::WindowTest;

namespace {

// WCAG 2 relative luminance and contrast ratio.
double luminance(const QColor &colour)
{
    auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A desktop's dark palette, as a dark theme hands it to Qt.
QPalette darkDesktopPalette()
{
    QPalette dark(QColor(53, 53, 53));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        dark.setColor(group, QPalette::WindowText, Qt::white);
        dark.setColor(group, QPalette::Base, QColor(42, 42, 42));
        dark.setColor(group, QPalette::Text, Qt::white);
        dark.setColor(group, QPalette::ButtonText, Qt::white);
        dark.setColor(group, QPalette::Highlight, QColor(42, 130, 218));
        dark.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(110, 110, 110));
    return dark;
}

class DarkDesktopTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QApplication::setPalette(darkDesktopPalette());
    }
    void TearDown() override { QApplication::setPalette(QPalette()); }
};

QString accessibleText(QWidget *widget, QAccessible::Text kind)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(kind) : QStringLiteral("<no interface>");
}

TEST_F(WindowTest, CarriesTheProgramIconAsItsWindowIcon)
{
    auto window = makeWindow();
    const QIcon icon = window->windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(icon.pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32),
              ui::programIcon(32).toImage().convertToFormat(QImage::Format_ARGB32));
}

TEST_F(WindowTest, TabGoesFromTheTreeToTheUserBoxAndTheThreeThumbnails)
{
    auto window = makeWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *tree = find<QWidget>(*window, "TreeVids");
    tree->setFocus(Qt::TabFocusReason);

    // The edit field of the user-name box takes the focus for the box.
    auto focusName = [] {
        QWidget *focus = QApplication::focusWidget();
        if (focus && qobject_cast<QComboBox *>(focus->parentWidget()))
            focus = focus->parentWidget();
        return focus ? focus->objectName() : QStringLiteral("<none>");
    };
    QStringList visited{focusName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(focusName());
    }
    EXPECT_EQ(visited,
              QStringList({"TreeVids", "TxtUser", "SitePic0", "SitePic1", "SitePic2", "TreeVids"}));

    // A thumbnail box with the focus shows a frame in the highlight colour.
    auto *box = find<QLabel>(*window, "SitePic1");
    box->setFocus(Qt::TabFocusReason);
    const QImage focused = box->grab().toImage();
    tree->setFocus(Qt::TabFocusReason);
    const QImage unfocused = box->grab().toImage();
    const QPoint onTheFrame(box->contentsRect().left() + 1, box->height() / 2);
    EXPECT_EQ(focused.pixelColor(onTheFrame), box->palette().color(QPalette::Highlight));
    EXPECT_NE(unfocused.pixelColor(onTheFrame), box->palette().color(QPalette::Highlight));
}

TEST_F(WindowTest, EveryControlHasANameAScreenReaderSpeaks)
{
    auto window = makeWindow();
    const std::vector<std::pair<const char *, QString>> names{
        {"TxtUser", "YouTube username"}, {"CmdGo", "List Videos"},
        {"TreeVids", "Videos"},          {"SitePic0", "First picture"},
        {"SitePic1", "Middle picture"},  {"SitePic2", "Last picture"},
        {"PB", "Listing progress"},      {"Stat", "Status line"},
        {"Lbl0", "YouTube username:"},   {"Lbl1", "List Videos"}};
    for (const auto &[name, spoken] : names)
        EXPECT_EQ(accessibleText(find<QWidget>(*window, name), QAccessible::Name), spoken) << name;
    EXPECT_EQ(accessibleText(find<QWidget>(*window, "CmdGo"), QAccessible::Description),
              QStringLiteral("Click here to list videos"));

    // The edit field, where the focus lands in the box, is named too.
    auto *edit = find<QComboBox>(*window, "TxtUser")->lineEdit();
    EXPECT_EQ(accessibleText(edit, QAccessible::Name), QStringLiteral("YouTube username"));

    // The status line's text is spoken as it changes.
    window->setStatus(QStringLiteral("Working, please wait.."));
    EXPECT_EQ(accessibleText(find<QWidget>(*window, "StatText"), QAccessible::Name),
              QStringLiteral("Working, please wait.."));
}

TEST_F(DarkDesktopTest, EveryTextStaysLegibleEnabledAndDisabled)
{
    // The fault this guards against: the dark grey of "List Videos" on a
    // dark desktop's window colour.
    ASSERT_LT(contrast(QColor(64, 64, 64), QApplication::palette().color(QPalette::Window)), 1.5);

    auto window = makeWindow();

    // The colours the layout fixes stay as they are.
    EXPECT_EQ(find<QWidget>(*window, "Lbl1")->palette().color(QPalette::WindowText),
              QColor(64, 64, 64));
    EXPECT_EQ(find<QWidget>(*window, "Shp")->palette().color(QPalette::WindowText),
              QColor(128, 128, 128));
    EXPECT_EQ(find<QWidget>(*window, "Line1")->palette().color(QPalette::Window),
              QColor(128, 128, 128));

    // Every widget, the menus and the drop-down list included, in every
    // state: enabled, in a window in the background, and disabled while a
    // listing runs. The frame and the line draw no text.
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::PlaceholderText, QPalette::Base}};
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    ASSERT_GE(widgets.size(), 20);
    for (QWidget *widget : widgets) {
        if (widget->objectName() == "Shp" || widget->objectName() == "Line1")
            continue;
        const QPalette palette = widget->palette();
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            for (const auto &[text, behind] : pairs) {
                EXPECT_GE(contrast(palette.color(group, text), palette.color(group, behind)), 4.5)
                    << widget->metaObject()->className() << " "
                    << widget->objectName().toStdString() << " group " << group << " roles " << text
                    << " on " << behind;
            }
        }
    }
}

} // namespace
