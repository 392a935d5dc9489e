#pragma once

#include <QImage>
#include <QString>
#include <QVector>

#include "question/PaperDocument.h"

namespace qs {

// Pictures of a paper as the JPEG files of the editor's picture slots.

// The longer side of a stored picture: larger pictures are scaled down to it, smaller ones
// stay as they are.
inline constexpr int kLargestPictureSide = 1600;

// A paper's picture through Qt's image readers, scaled down to kLargestPictureSide while it is
// read; a null image when they cannot decode it (or it would take more memory than they allow).
QImage DecodePaperPicture(const PaperPicture& picture);

// The JPEG file (quality 75) of one slot at `path`, from the pictures that stand in it: one as
// it is, several stacked top to bottom on white. The indices (into `pictures`) that cannot be
// decoded go to `unreadable`; false when none can be, or the file cannot be written.
bool SaveSlotPicture(const QVector<PaperPicture>& pictures, const QString& path,
                     QVector<int>* unreadable = nullptr);

// The editor's JPEG writer: transparent parts on white, written beside the file and renamed
// into place, so a failed write leaves no half file.
bool SaveJpeg(const QImage& picture, const QString& path, int quality = 75);

}  // namespace qs
