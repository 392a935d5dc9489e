#include "widgets/PictureBox.h"

#include <QPixmap>

namespace qs {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setMinimumSize(1, 1);
}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    render();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    render();
}

void PictureBox::render() {
    if (picture_.isNull()) {
        clear();
        return;
    }
    const QSize room = contentsRect().size();
    QImage shown = picture_;
    if (shown.width() > room.width() || shown.height() > room.height())
        shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(shown));
}

}  // namespace qs
