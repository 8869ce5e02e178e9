#include "ui/windowlook.h"

#include <QWidget>

namespace vidfolio::ui {

QFont windowFont(bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(6.75);
    font.setBold(bold);
    return font;
}

void setColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

QPalette windowPalette()
{
    const QColor face(240, 240, 240);
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    const QColor highlight(0, 102, 204);
    // Disabled text stays readable: the window is disabled for a whole
    // listing, and the status line speaks to the user all that time.
    const QColor disabledText(96, 96, 96);

    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? disabledText : black;
        palette.setColor(group, QPalette::Window, face);
        palette.setColor(group, QPalette::Button, face);
        palette.setColor(group, QPalette::Base, disabled ? face : white);
        palette.setColor(group, QPalette::AlternateBase, QColor(245, 245, 245));
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::PlaceholderText, disabledText);
        palette.setColor(group, QPalette::BrightText, white);
        palette.setColor(group, QPalette::Highlight, disabled ? disabledText : highlight);
        palette.setColor(group, QPalette::HighlightedText, white);
        palette.setColor(group, QPalette::Link, QColor(0, 0, 204));
        palette.setColor(group, QPalette::LinkVisited, QColor(85, 26, 139));
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 220));
        palette.setColor(group, QPalette::ToolTipText, black);
        palette.setColor(group, QPalette::Light, white);
        palette.setColor(group, QPalette::Midlight, QColor(227, 227, 227));
        palette.setColor(group, QPalette::Mid, QColor(160, 160, 160));
        palette.setColor(group, QPalette::Dark, QColor(160, 160, 160));
        palette.setColor(group, QPalette::Shadow, QColor(105, 105, 105));
    }
    return palette;
}

} // namespace vidfolio::ui
