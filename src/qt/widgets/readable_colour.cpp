#include "qt/widgets/readable_colour.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace about {

namespace {

// Text smaller than 18 point needs this much contrast to read comfortably.
constexpr double kReadableContrast = 4.5;

double linearChannel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& colour)
{
    return 0.2126 * linearChannel(colour.redF()) + 0.7152 * linearChannel(colour.greenF()) +
           0.0722 * linearChannel(colour.blueF());
}

} // namespace

double contrastRatio(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

void setReadableTextColour(QWidget& widget, std::initializer_list<QColor> choices)
{
    QPalette palette = widget.palette();
    const QColor background = palette.color(QPalette::Window);
    const auto readable = std::find_if(choices.begin(), choices.end(), [&](const QColor& colour) {
        return contrastRatio(colour, background) >= kReadableContrast;
    });
    palette.setColor(QPalette::WindowText, readable != choices.end() ? *readable : *std::prev(choices.end()));
    widget.setPalette(palette);
}

void setReadableLinkColour(QWidget& widget)
{
    const QPalette& palette = widget.palette();
    setReadableTextColour(widget, {QColor(0, 0, 255), palette.color(QPalette::Link), palette.color(QPalette::WindowText)});
}

} // namespace about
