#pragma once

#include <QColor>

#include <initializer_list>

class QWidget;

namespace about {

// How far apart two colours are to the eye: from 1 (the same) to 21 (black
// on white), by the relative luminance of sRGB colours.
double contrastRatio(const QColor& first, const QColor& second);

// Draws the widget's text in the first of the colours that reads well on
// its background (the palette's window colour), else in the last. The
// windows' fixed colours come first, the palette's own after them, so that
// a dark desktop theme keeps the text readable.
void setReadableTextColour(QWidget& widget, std::initializer_list<QColor> choices);

// A link's text: pure blue, else the palette's link colour, else its text
// colour.
void setReadableLinkColour(QWidget& widget);

} // namespace about
