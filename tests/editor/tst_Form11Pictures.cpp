#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>

#include "EditorFixture.h"
#include "editor/MultiLineTextBox.h"
#include "editor/PictureBox.h"

using namespace qs;
using namespace qs::test;

// Pictures taken from the clipboard into the eight slots, saved as JPEG files.
class tst_Form11Pictures : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f_.reset(); }

    void savesRealJpegFiles();
    void everySlotHasItsFileAndCheckBox_data();
    void everySlotHasItsFileAndCheckBox();
    void optionCapturesAreNumberedFromSenum();
    void secondCaptureReplacesTheFile();
    void clipboardWithoutPictureIsToldAndKeepsTheSlot();
    void unwritableFolderIsToldAndLeavesTheSlotUnticked();
    void explanationAndQuestionStamps();
    void pathBoxDoubleClickStartsTheCopyTool();

private:
    void capture(const char* button, const QImage& picture) const {
        QGuiApplication::clipboard()->setImage(picture);
        QTest::mouseClick(f_->child<QPushButton>(button), Qt::LeftButton);
    }
    QString sysimg(const QString& file) const {
        return f_->folder.path() + QStringLiteral("/sysimg/") + file;
    }
    static QImage picture(int w, int h, Qt::GlobalColor c) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        return img;
    }
    QLineEdit* edit(const char* name) const { return f_->child<QLineEdit>(name); }
    QCheckBox* check(const char* name) const { return f_->child<QCheckBox>(name); }
    std::unique_ptr<EditorFixture> f_;
};

void tst_Form11Pictures::init() {
    f_ = std::make_unique<EditorFixture>();
    f_->open();
}

void tst_Form11Pictures::savesRealJpegFiles() {
    const QString path = f_->folder.file(QStringLiteral("x.jpg"));
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
    const QString q75 = f_->folder.file(QStringLiteral("q75.jpg"));
    const QString q100 = f_->folder.file(QStringLiteral("q100.jpg"));
    QVERIFY(Form11::PictureBoxSaveJPG(noisy, q75, 75));
    QVERIFY(Form11::PictureBoxSaveJPG(noisy, q100, 100));
    QVERIFY(QFileInfo(q75).size() < QFileInfo(q100).size());

    // A folder that does not exist: nothing is written, false is returned.
    QVERIFY(!Form11::PictureBoxSaveJPG(noisy, f_->folder.file(QStringLiteral("no/x.jpg")), 75));
}

void tst_Form11Pictures::everySlotHasItsFileAndCheckBox_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("file");
    auto row = [](const char* b, const char* i, const char* p, const char* c, const char* f) {
        QTest::newRow(b) << QString::fromLatin1(b) << QString::fromLatin1(i)
                         << QString::fromLatin1(p) << QString::fromLatin1(c)
                         << QString::fromLatin1(f);
    };
    row("timu2jpg", "QJPG", "timu2", "timu1", "qjpg.jpg");
    row("a2jpg", "AJPG", "AJPG2", "AJPG1", "ajpg.jpg");
    row("b2jpg", "BJPG", "BJPG2", "BJPG1", "bjpg.jpg");
    row("c2jpg", "CJPG", "CJPG2", "CJPG1", "cjpg.jpg");
    row("d2jpg", "DJPG", "DJPG2", "DJPG1", "djpg.jpg");
    row("e2jpg", "EJPG", "EJPG2", "EJPG1", "ejpg.jpg");
    row("f2jpg", "FJPG", "FJPG2", "FJPG1", "fjpg.jpg");
    row("why2jpg", "WJPG", "why2", "why1", "wjpg.jpg");
}

void tst_Form11Pictures::everySlotHasItsFileAndCheckBox() {
    QFETCH(QString, button);
    QFETCH(QString, image);
    QFETCH(QString, path);
    QFETCH(QString, check);
    QFETCH(QString, file);
    // The sysimg folder does not exist yet; the capture creates it.
    QVERIFY(!QDir(f_->folder.file(QStringLiteral("sysimg"))).exists());
    auto* pathBox = f_->child<QLineEdit>(path.toLatin1().constData());
    pathBox->setText(QStringLiteral("D:\\operator\\typed.jpg"));
    capture(button.toLatin1().constData(), picture(33, 21, Qt::blue));
    QCOMPARE(pathBox->text(), sysimg(file));
    QCOMPARE(QImage(sysimg(file)).size(), QSize(33, 21));
    QVERIFY(f_->child<QCheckBox>(check.toLatin1().constData())->isChecked());
    QCOMPARE(f_->child<PictureBox>(image.toLatin1().constData())->picture().size(), QSize(33, 21));
    QCOMPARE(QDir(sysimg(QString())).entryList(QDir::Files), QStringList{file});
    QVERIFY(f_->platform.boxes.isEmpty());
}

void tst_Form11Pictures::optionCapturesAreNumberedFromSenum() {
    f_->form->senum = 13;
    capture("a2jpg", picture(10, 10, Qt::red));
    capture("b2jpg", picture(10, 10, Qt::green));
    capture("c2jpg", picture(10, 10, Qt::blue));
    QCOMPARE(edit("SA")->text(), QStringLiteral("如右图14"));
    QCOMPARE(edit("SB")->text(), QStringLiteral("如右图15"));
    QCOMPARE(edit("SC")->text(), QStringLiteral("如右图16"));
    QCOMPARE(int(f_->form->senum), 16);

    // Unticking keeps the text; ticking again takes the next number.
    QTest::mouseClick(check("AJPG1"), Qt::LeftButton);
    QCOMPARE(edit("SA")->text(), QStringLiteral("如右图14"));
    QTest::mouseClick(check("AJPG1"), Qt::LeftButton);
    QCOMPARE(edit("SA")->text(), QStringLiteral("如右图17"));

    // The counter holds at the 16-bit limit instead of turning negative.
    f_->form->senum = 32766;
    check("DJPG1")->setChecked(true);
    check("EJPG1")->setChecked(true);
    check("FJPG1")->setChecked(true);
    QCOMPARE(edit("SE")->text(), QStringLiteral("如右图32768"));
    QCOMPARE(int(f_->form->senum), 32767);
}

void tst_Form11Pictures::secondCaptureReplacesTheFile() {
    f_->form->senum = 13;
    capture("a2jpg", picture(40, 30, Qt::red));
    capture("a2jpg", picture(64, 48, Qt::green));
    QCOMPARE(QDir(sysimg(QString())).entryList(QDir::Files),
             QStringList{QStringLiteral("ajpg.jpg")});
    const QImage saved(sysimg(QStringLiteral("ajpg.jpg")));
    QCOMPARE(saved.size(), QSize(64, 48));
    QVERIFY(qGreen(saved.pixel(32, 24)) > 200 && qRed(saved.pixel(32, 24)) < 60);
    // The box was already ticked: the placeholder keeps the first number.
    QCOMPARE(edit("SA")->text(), QStringLiteral("如右图14"));
    QCOMPARE(int(f_->form->senum), 14);
}

void tst_Form11Pictures::clipboardWithoutPictureIsToldAndKeepsTheSlot() {
    capture("b2jpg", picture(12, 12, Qt::red));
    const QByteArray before = [&] {
        QFile file(sysimg(QStringLiteral("bjpg.jpg")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(!before.isEmpty());
    edit("BJPG2")->setText(QStringLiteral("改过的路径"));

    QGuiApplication::clipboard()->setText(QStringLiteral("不是图片"));
    QTest::mouseClick(f_->child<QPushButton>("b2jpg"), Qt::LeftButton);
    QCOMPARE(f_->platform.texts(),
             QStringList{QStringLiteral(
                 "剪贴板中没有图片，截屏没有保存。请先复制或截取图片，再点【截屏】。")});
    QFile file(sysimg(QStringLiteral("bjpg.jpg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(check("BJPG1")->isChecked());
    QCOMPARE(edit("BJPG2")->text(), QStringLiteral("改过的路径"));
    QCOMPARE(f_->child<PictureBox>("BJPG")->picture().size(), QSize(12, 12));

    // An empty slot stays empty and unticked.
    QTest::mouseClick(f_->child<QPushButton>("c2jpg"), Qt::LeftButton);
    QVERIFY(!check("CJPG1")->isChecked());
    QCOMPARE(edit("SC")->text(), QString());
}

void tst_Form11Pictures::unwritableFolderIsToldAndLeavesTheSlotUnticked() {
    // A file where the folder should be: the folder cannot be made, nothing can be written.
    f_->folder.write(QStringLiteral("sysimg"), "not a folder");
    capture("d2jpg", picture(10, 10, Qt::red));
    QCOMPARE(f_->platform.boxes.size(), 1);
    QVERIFY2(f_->platform.lastText().startsWith(QStringLiteral("截屏图片无法保存到 ") +
                                                sysimg(QStringLiteral("djpg.jpg"))),
             qPrintable(f_->platform.lastText()));
    QVERIFY(!check("DJPG1")->isChecked());
    QCOMPARE(edit("SD")->text(), QString());
}

void tst_Form11Pictures::explanationAndQuestionStamps() {
    f_->platform.clock = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    capture("why2jpg", picture(10, 10, Qt::red));
    QCOMPARE(f_->child<MultiLineTextBox>("why0")->text(),
             QStringLiteral("备注如图2026/1/2 3:04:05"));
    capture("timu2jpg", picture(10, 10, Qt::red));
    QCOMPARE(f_->child<MultiLineTextBox>("timu")->text(),
             QStringLiteral("题目如图2026/1/2 3:04:05"));
    // Unticking changes nothing.
    check("why1")->setChecked(false);
    QCOMPARE(f_->child<MultiLineTextBox>("why0")->text(),
             QStringLiteral("备注如图2026/1/2 3:04:05"));
}

void tst_Form11Pictures::pathBoxDoubleClickStartsTheCopyTool() {
    const QString tool = f_->folder.path() + QStringLiteral("/tool-copy_file_path.exe");
    for (const char* name : {"AJPG2", "BJPG2", "CJPG2", "DJPG2", "EJPG2", "FJPG2"})
        QTest::mouseDClick(edit(name), Qt::LeftButton);
    QCOMPARE(f_->platform.programs.size(), 6);
    QCOMPARE(f_->platform.programs.first(), QStringList{tool});
    // The question and explanation path boxes have no such command.
    QTest::mouseDClick(edit("timu2"), Qt::LeftButton);
    QTest::mouseDClick(edit("why2"), Qt::LeftButton);
    QCOMPARE(f_->platform.programs.size(), 6);
    QVERIFY(f_->platform.boxes.isEmpty());

    f_->platform.startSucceeds = false;
    QTest::mouseDClick(edit("AJPG2"), Qt::LeftButton);
    QCOMPARE(f_->platform.lastText(), QStringLiteral("无法启动 ") + tool);
}

QTEST_MAIN(tst_Form11Pictures)
#include "tst_Form11Pictures.moc"
