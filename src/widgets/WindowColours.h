#pragma once

#include <QColor>
#include <QtGlobal>

class QWidget;

namespace qs {

// Colours are kept as the windows' colour values: 0x00BBGGRR for a plain
// colour, 0x800000nn for a system colour. A widget's colour value is state
// that handlers read back (the keep-on-top label), so it is stored on the
// widget and only rendered through the palette.
namespace colour {
constexpr quint32 kButtonText = 0x80000012;  // the system colour for button text
constexpr quint32 kBlack = 0x000000;
constexpr quint32 kDarkRed = 0x0000C0;
constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kFilled = 0xC0FFC0;  // light green: the box holds text
constexpr quint32 kEmpty = 0xC0C0FF;   // light red: the box is empty
}  // namespace colour

QColor ColourFromValue(quint32 value);

// Text colour of a label, text box or check box; black until set.
void SetForeColour(QWidget* widget, quint32 value);
quint32 ForeColour(const QWidget* widget);

// Background of a text box; the palette's own until set (reads as white).
void SetBackColour(QWidget* widget, quint32 value);
quint32 BackColour(const QWidget* widget);

// "filled" when the text is not empty, "empty" otherwise.
void ColourByContent(QWidget* widget, const QString& text);

}  // namespace qs
