#include "widgets/WindowColours.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace qs {

namespace {
const char* const kForeProperty = "qsForeColour";
const char* const kBackProperty = "qsBackColour";
}  // namespace

QColor ColourFromValue(quint32 value) {
    if (value & 0x80000000u) {
        // Only the button-text system colour is used by the windows.
        return QApplication::palette().color(QPalette::ButtonText);
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void SetForeColour(QWidget* widget, quint32 value) {
    widget->setProperty(kForeProperty, QVariant::fromValue(value));
    QPalette p = widget->palette();
    const QColor c = ColourFromValue(value);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    widget->setPalette(p);
}

quint32 ForeColour(const QWidget* widget) {
    const QVariant v = widget->property(kForeProperty);
    return v.isValid() ? v.value<quint32>() : colour::kBlack;
}

void SetBackColour(QWidget* widget, quint32 value) {
    if (widget->property(kBackProperty).isValid() && BackColour(widget) == value) return;
    widget->setProperty(kBackProperty, QVariant::fromValue(value));
    QPalette p = widget->palette();
    p.setColor(QPalette::Base, ColourFromValue(value));
    widget->setPalette(p);
}

quint32 BackColour(const QWidget* widget) {
    const QVariant v = widget->property(kBackProperty);
    return v.isValid() ? v.value<quint32>() : 0xFFFFFFu;
}

void ColourByContent(QWidget* widget, const QString& text) {
    SetBackColour(widget, text.isEmpty() ? colour::kEmpty : colour::kFilled);
}

}  // namespace qs
