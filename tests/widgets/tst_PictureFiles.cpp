#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include "widgets/PictureFiles.h"

using namespace qs;
using namespace Qt::StringLiterals;

// A paper's pictures as the JPEG files of the editor's slots.
class tst_PictureFiles : public QObject {
    Q_OBJECT

    static PaperPicture png(int width, int height) {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        PaperPicture p{{}, u"png"_s};
        QBuffer buffer(&p.bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return p;
    }

private slots:
    void slotPicture_data() {
        QTest::addColumn<QVector<PaperPicture>>("pictures");
        QTest::addColumn<QSize>("expected");  // invalid: no file
        QTest::addColumn<QVector<int>>("unreadable");
        const PaperPicture metafile{QByteArray("\xD7\xCD\xC6\x9A", 4) + QByteArray(40, '\0'),
                                    u"wmf"_s};
        const PaperPicture broken{QByteArray("\x89PNG\r\n\x1a\nbroken"), u"png"_s};
        QTest::newRow("small stays as it is")
            << QVector<PaperPicture>{png(40, 30)} << QSize(40, 30) << QVector<int>{};
        QTest::newRow("large is scaled down")
            << QVector<PaperPicture>{png(3200, 1000)} << QSize(1600, 500) << QVector<int>{};
        QTest::newRow("several are stacked")
            << QVector<PaperPicture>{png(40, 30), png(20, 50)} << QSize(40, 88) << QVector<int>{};
        QTest::newRow("a metafile and a broken picture cannot be decoded")
            << QVector<PaperPicture>{metafile, broken} << QSize() << QVector<int>{0, 1};
        QTest::newRow("the readable one is kept")
            << QVector<PaperPicture>{png(40, 30), broken} << QSize(40, 30) << QVector<int>{1};
    }
    void slotPicture() {
        QFETCH(QVector<PaperPicture>, pictures);
        QFETCH(QSize, expected);
        QFETCH(QVector<int>, unreadable);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"qjpg.jpg"_s);
        QVector<int> failed;
        QCOMPARE(SaveSlotPicture(pictures, path, &failed), expected.isValid());
        QCOMPARE(failed, unreadable);
        const QImage saved(path, "JPEG");
        QCOMPARE(saved.isNull() ? QSize() : saved.size(), expected);
    }
};

QTEST_GUILESS_MAIN(tst_PictureFiles)
#include "tst_PictureFiles.moc"
