#include "support/ClippedText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace qs::test {

QStringList ClippedTexts(const QWidget* window) {
    QStringList out;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->objectName().isEmpty() ||
            w->objectName().startsWith(u"qt_"))
            continue;
        const auto* label = qobject_cast<const QLabel*>(w);
        const bool text =
            (label && !label->text().isEmpty()) || qobject_cast<const QAbstractButton*>(w);
        const bool box = qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w);
        const int line = w->fontMetrics().height();
        bool cut = false;
        if (label && label->wordWrap())
            cut = w->height() < label->heightForWidth(w->width());
        else if (text)
            cut = w->width() < w->minimumSizeHint().width() || w->height() < line;
        else if (box)
            cut = w->height() < line + 2;
        if (cut) out << w->objectName() + QStringLiteral(" %1x%2 line %3 min %4x%5").arg(w->width()).arg(w->height()).arg(line).arg(w->minimumSizeHint().width()).arg(w->minimumSizeHint().height());
    }
    return out;
}

}  // namespace qs::test
