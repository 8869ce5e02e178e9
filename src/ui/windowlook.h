#pragma once

#include <QFont>
#include <QPalette>

class QWidget;

namespace vidfolio::ui {

// The colours the window is drawn in, whatever the desktop's palette: light
// grey faces and black text, as the fixed colours of the layout (the grey
// line and frame, the dark-grey "List Videos") were chosen for. Every text
// colour, the disabled ones of the busy window included, stands at least
// 4.5:1 against the colour it is drawn on.
QPalette windowPalette();

// The window's font: "Tahoma" 6.75 points where installed; otherwise Qt
// picks the closest sans-serif face at the same size.
QFont windowFont(bool bold = false);

// Gives `widget` a colour of its own for `role`. Colours come from palettes
// rather than style sheets: a style sheet puts a widget under the slower
// style-sheet style.
void setColor(QWidget *widget, QPalette::ColorRole role, const QColor &color);

} // namespace vidfolio::ui
