#pragma once

#include <QImage>
#include <QLabel>

namespace qs {

// An image box: holds a picture at full size and shows it scaled to fit.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    // A null image empties the box.
    void setPicture(const QImage& picture);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();
    QImage picture_;
};

}  // namespace qs
