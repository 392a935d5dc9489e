#include "widgets/ClickableLabel.h"

#include <QMouseEvent>

namespace qs {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click) emit clicked();
}

void ClickableLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a double click only: the default
    // handling would treat it as another press, and its release as a second click.
    pressed_ = false;
    event->accept();
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

}  // namespace qs
