#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>

#include "EditorFixture.h"
#include "widgets/PictureBox.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// Pictures taken from the clipboard into the eight slots, saved as JPEG files.
class tst_Form11Pictures : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> f_;

    void capture(const char* button, const QImage& image = picture(10, 10, Qt::red)) const {
        QGuiApplication::clipboard()->setImage(image);
        f_->click(button);
    }
    QString sysimg(const QString& file = QString()) const {
        return f_->folder.path() + u"/sysimg/"_s + file;
    }
    QByteArray bytes(const QString& file) const {
        QFile fl(sysimg(file));
        return fl.open(QIODevice::ReadOnly) ? fl.readAll() : QByteArray();
    }
    static QImage picture(int w, int h, Qt::GlobalColor c) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        return img;
    }
    QString text(const char* name) const { return f_->edit(name)->text(); }

private slots:
    void init() {
        f_ = std::make_unique<EditorFixture>();
        f_->open();
    }
    void cleanup() { f_.reset(); }

    void savesRealJpegFiles() {
        const QString path = f_->folder.file(u"x.jpg"_s);
        QVERIFY(!Form11::PictureBoxSaveJPG(QImage(), path, 75));
        QVERIFY(!QFile::exists(path));

        // A transparent picture is written over white.
        QImage clear(20, 10, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        QVERIFY(Form11::PictureBoxSaveJPG(clear, path, 75));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage back = reader.read();
        QCOMPARE(back.size(), QSize(20, 10));
        QVERIFY(qGray(back.pixel(5, 5)) > 240);

        // Quality matters: the same picture at 75 is smaller than at 100.
        QImage noisy(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) noisy.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
        const QString q75 = f_->folder.file(u"q75.jpg"_s), q100 = f_->folder.file(u"q100.jpg"_s);
        QVERIFY(Form11::PictureBoxSaveJPG(noisy, q75, 75));
        QVERIFY(Form11::PictureBoxSaveJPG(noisy, q100, 100));
        QVERIFY(QFileInfo(q75).size() < QFileInfo(q100).size());
        QVERIFY(!Form11::PictureBoxSaveJPG(noisy, f_->folder.file(u"no/x.jpg"_s), 75));
    }

    void everySlotHasItsFileAndCheckBox_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QByteArray>("image");  // its file is sysimg/<image in lower case>.jpg
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("check");
        const char* const rows[][4] = {
            {"timu2jpg", "QJPG", "timu2", "timu1"}, {"a2jpg", "AJPG", "AJPG2", "AJPG1"},
            {"b2jpg", "BJPG", "BJPG2", "BJPG1"},    {"c2jpg", "CJPG", "CJPG2", "CJPG1"},
            {"d2jpg", "DJPG", "DJPG2", "DJPG1"},    {"e2jpg", "EJPG", "EJPG2", "EJPG1"},
            {"f2jpg", "FJPG", "FJPG2", "FJPG1"},    {"why2jpg", "WJPG", "why2", "why1"}};
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QByteArray(r[0]) << QByteArray(r[1]) << QByteArray(r[2])
                                << QByteArray(r[3]);
    }
    void everySlotHasItsFileAndCheckBox() {
        QFETCH(QByteArray, button);
        QFETCH(QByteArray, image);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, check);
        const QString file = QString::fromLatin1(image.toLower()) + u".jpg"_s;
        // The sysimg folder does not exist yet; the capture creates it.
        QVERIFY(!QDir(sysimg()).exists());
        f_->edit(path.constData())->setText(u"D:\\operator\\typed.jpg"_s);
        capture(button.constData(), picture(33, 21, Qt::blue));
        QCOMPARE(f_->edit(path.constData())->text(), sysimg(file));
        QCOMPARE(QImage(sysimg(file)).size(), QSize(33, 21));
        // Written at quality 75, byte for byte as that encoding gives.
        QByteArray at75;
        QBuffer buffer(&at75);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(QGuiApplication::clipboard()->image().save(&buffer, "JPG", 75));
        QCOMPARE(bytes(file), at75);
        QVERIFY(f_->check(check.constData())->isChecked());
        QCOMPARE(f_->child<PictureBox>(image.constData())->picture().size(), QSize(33, 21));
        QCOMPARE(QDir(sysimg()).entryList(QDir::Files), QStringList{file});
        QVERIFY(f_->platform.boxes.isEmpty());
    }

    void optionCapturesAreNumberedFromSenum() {
        f_->form->senum = 13;
        for (const char* b : {"a2jpg", "b2jpg", "c2jpg"}) capture(b);
        QCOMPARE(f_->options(),
                 (QStringList{u"如右图14"_s, u"如右图15"_s, u"如右图16"_s, {}, {}, {}}));
        QCOMPARE(int(f_->form->senum), 16);

        // Unticking keeps the text; ticking again takes the next number.
        f_->click("AJPG1");
        QCOMPARE(text("SA"), u"如右图14"_s);
        f_->click("AJPG1");
        QCOMPARE(text("SA"), u"如右图17"_s);

        // The counter holds at the 16-bit limit instead of turning negative.
        f_->form->senum = 32766;
        for (const char* c : {"DJPG1", "EJPG1", "FJPG1"}) f_->check(c)->setChecked(true);
        QCOMPARE(text("SE"), u"如右图32768"_s);
        QCOMPARE(int(f_->form->senum), 32767);
    }

    void secondCaptureReplacesTheFile() {
        f_->form->senum = 13;
        capture("a2jpg", picture(40, 30, Qt::red));
        capture("a2jpg", picture(64, 48, Qt::green));
        QCOMPARE(QDir(sysimg()).entryList(QDir::Files), QStringList{u"ajpg.jpg"_s});
        const QImage saved(sysimg(u"ajpg.jpg"_s));
        QCOMPARE(saved.size(), QSize(64, 48));
        QVERIFY(qGreen(saved.pixel(32, 24)) > 200 && qRed(saved.pixel(32, 24)) < 60);
        // The box was already ticked: the placeholder keeps the first number.
        QCOMPARE(text("SA"), u"如右图14"_s);
        QCOMPARE(int(f_->form->senum), 14);
    }

    void clipboardWithoutPictureIsToldAndKeepsTheSlot() {
        capture("b2jpg", picture(12, 12, Qt::red));
        const QByteArray before = bytes(u"bjpg.jpg"_s);
        QVERIFY(!before.isEmpty());
        f_->edit("BJPG2")->setText(u"改过的路径"_s);

        QGuiApplication::clipboard()->setText(u"不是图片"_s);
        f_->click("b2jpg");
        QCOMPARE(
            f_->platform.texts(),
            QStringList{u"剪贴板中没有图片，截屏没有保存。请先复制或截取图片，再点【截屏】。"_s});
        QCOMPARE(bytes(u"bjpg.jpg"_s), before);
        QVERIFY(f_->check("BJPG1")->isChecked());
        QCOMPARE(text("BJPG2"), u"改过的路径"_s);
        QCOMPARE(f_->child<PictureBox>("BJPG")->picture().size(), QSize(12, 12));

        // An empty slot stays empty and unticked.
        f_->click("c2jpg");
        QVERIFY(!f_->check("CJPG1")->isChecked());
        QCOMPARE(text("SC"), QString());
    }

    void unwritableFolderIsToldAndLeavesTheSlotUnticked() {
        // A file where the folder should be: the folder cannot be made, nothing can be written.
        f_->folder.write(u"sysimg"_s, "not a folder");
        capture("d2jpg");
        QCOMPARE(f_->platform.boxes.size(), 1);
        QVERIFY2(
            f_->platform.lastText().startsWith(u"截屏图片无法保存到 "_s + sysimg(u"djpg.jpg"_s)),
            qPrintable(f_->platform.lastText()));
        QVERIFY(!f_->check("DJPG1")->isChecked());
        QCOMPARE(text("SD"), QString());
    }

    void explanationAndQuestionStamps() {
        f_->platform.clock = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
        capture("why2jpg");
        QCOMPARE(f_->box("why0")->text(), u"备注如图2026/1/2 3:04:05"_s);
        capture("timu2jpg");
        QCOMPARE(f_->box("timu")->text(), u"题目如图2026/1/2 3:04:05"_s);
        // Unticking changes nothing.
        f_->check("why1")->setChecked(false);
        QCOMPARE(f_->box("why0")->text(), u"备注如图2026/1/2 3:04:05"_s);
    }

    void pathBoxDoubleClickStartsTheCopyTool() {
        const QString tool = f_->folder.path() + u"/tool-copy_file_path.exe"_s;
        for (const char* name : {"AJPG2", "BJPG2", "CJPG2", "DJPG2", "EJPG2", "FJPG2"})
            f_->dblClick(f_->edit(name));
        QCOMPARE(f_->platform.programs, QList<QStringList>(6, QStringList{tool}));
        // The question and explanation path boxes have no such command.
        f_->dblClick(f_->edit("timu2"));
        f_->dblClick(f_->edit("why2"));
        QCOMPARE(f_->platform.programs.size(), 6);
        QVERIFY(f_->platform.boxes.isEmpty());

        f_->platform.startSucceeds = false;
        f_->dblClick(f_->edit("AJPG2"));
        QCOMPARE(f_->platform.lastText(), u"无法启动 "_s + tool);
    }
};

QTEST_MAIN(tst_Form11Pictures)
#include "tst_Form11Pictures.moc"
