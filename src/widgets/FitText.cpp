#include "widgets/FitText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <QtMath>
#include <algorithm>

namespace qs {

void GrowFixedWindowToFitText(QWidget* window) {
    if (window->layout()) return;
    const QList<QWidget*> children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    qreal factor = 1;
    for (const QWidget* w : children) {
        const QSize need = w->sizeHint();
        if (!need.isValid() || w->width() <= 0 || w->height() <= 0) continue;
        const bool text = qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w);
        const bool box = qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w);
        if (text) factor = std::max(factor, qreal(need.width()) / w->width());
        if (text || box) factor = std::max(factor, qreal(need.height()) / w->height());
    }
    if (factor <= 1) return;
    auto scaled = [factor](int v) { return qCeil(v * factor); };
    for (QWidget* w : children) {
        const QRect g = w->geometry();
        w->setGeometry(scaled(g.x()), scaled(g.y()), scaled(g.width()), scaled(g.height()));
    }
    window->resize(scaled(window->width()), scaled(window->height()));
}

}  // namespace qs
