#include "widgets/PictureFiles.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace qs {

namespace {

constexpr int kGap = 8;

}  // namespace

QImage DecodePaperPicture(const PaperPicture& picture) {
    QByteArray bytes = picture.bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, picture.format.toLatin1());
    reader.setAutoTransform(true);
    // JPEG decodes straight to the smaller size: faster, and the full picture never sits in
    // memory.
    const QSize size = reader.size();
    if (size.isValid() && qMax(size.width(), size.height()) > kLargestPictureSide)
        reader.setScaledSize(
            size.scaled(kLargestPictureSide, kLargestPictureSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && qMax(image.width(), image.height()) > kLargestPictureSide)
        image = image.scaled(kLargestPictureSide, kLargestPictureSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    return image;
}

bool SaveJpeg(const QImage& picture, const QString& path, int quality) {
    if (picture.isNull()) return false;
    // JPEG has no transparency: show transparent parts on white, as a pasted picture looks.
    QImage opaque = picture;
    if (picture.hasAlphaChannel()) {
        opaque = QImage(picture.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter p(&opaque);
        p.drawImage(0, 0, picture);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(opaque)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool SaveSlotPicture(const QVector<PaperPicture>& pictures, const QString& path,
                     QVector<int>* unreadable) {
    QVector<QImage> images;
    for (int i = 0; i < pictures.size(); ++i) {
        QImage image = DecodePaperPicture(pictures[i]);
        if (image.isNull()) {
            if (unreadable) *unreadable << i;
        } else {
            images << image;
        }
    }
    if (images.isEmpty()) return false;
    if (images.size() == 1) return SaveJpeg(images.first(), path);
    int width = 0, height = -kGap;
    for (const QImage& image : images) {
        width = qMax(width, image.width());
        height += image.height() + kGap;
    }
    QImage stacked(width, height, QImage::Format_RGB32);
    stacked.fill(Qt::white);
    QPainter p(&stacked);
    int y = 0;
    for (const QImage& image : images) {
        p.drawImage(0, y, image);
        y += image.height() + kGap;
    }
    p.end();
    if (qMax(width, height) > kLargestPictureSide)
        stacked = stacked.scaled(kLargestPictureSide, kLargestPictureSide, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    return SaveJpeg(stacked, path);
}

}  // namespace qs
