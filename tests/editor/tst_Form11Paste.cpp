#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

#include "EditorFixture.h"
#include "editor/MultiLineTextBox.h"

using namespace qs;
using namespace qs::test;

// Importing a question copied in one go by double-clicking the question box.
class tst_Form11Paste : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f_.reset(); }

    void importsThroughTheDoubleClick_data();
    void importsThroughTheDoubleClick();
    void pictureQuestionKeepsItsStem();
    void clipboardWithoutTextChangesNothing();

private:
    QLineEdit* edit(const char* name) const { return f_->child<QLineEdit>(name); }
    MultiLineTextBox* timu() const { return f_->child<MultiLineTextBox>("timu"); }
    void paste(const QString& text) const {
        QGuiApplication::clipboard()->setText(text);
        QTest::mouseDClick(timu()->viewport(), Qt::LeftButton);
    }
    QStringList options() const {
        QStringList out;
        for (const char* o : {"SA", "SB", "SC", "SD", "SE", "SF"}) out << edit(o)->text();
        return out;
    }
    std::unique_ptr<EditorFixture> f_;
};

void tst_Form11Paste::init() {
    f_ = std::make_unique<EditorFixture>();
    f_->open();
}

void tst_Form11Paste::importsThroughTheDoubleClick_data() {
    QTest::addColumn<QString>("type");  // the type box ticked first
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expectedTimu");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("answer");
    const QString kept = QStringLiteral("原有");
    const QString e;
    QTest::newRow("单选题 with 、 markers")
        << QStringLiteral("Check1")
        << QStringLiteral("下列哪项正确？\r\nA、甲\r\nB、乙\r\nC、丙\r\nD、丁\r\n答案：C")
        << QStringLiteral("下列哪项正确？") << QStringList{QStringLiteral("甲"),
                                                           QStringLiteral("乙"),
                                                           QStringLiteral("丙"),
                                                           QStringLiteral("丁"),
                                                           kept,
                                                           kept}
        << QStringLiteral("C");
    // Copied from a desktop application, the text reaches the clipboard with bare line feeds.
    QTest::newRow("单选题 copied with line feeds")
        << QStringLiteral("Check1")
        << QStringLiteral("下列哪项正确？\nA、甲\nB、乙\r\nC、丙\nD、丁\n答案：C")
        << QStringLiteral("下列哪项正确？") << QStringList{QStringLiteral("甲"),
                                                           QStringLiteral("乙"),
                                                           QStringLiteral("丙"),
                                                           QStringLiteral("丁"),
                                                           kept,
                                                           kept}
        << QStringLiteral("C");
    QTest::newRow("多选题 answer in alphabetical order")
        << QStringLiteral("Check2")
        << QStringLiteral("哪些是水果\r\nA.苹果\r\nB.石头\r\nC.铁\r\nD.梨\r\n正确答案：DA")
        << QStringLiteral("哪些是水果") << QStringList{QStringLiteral("苹果"),
                                                       QStringLiteral("石头"),
                                                       QStringLiteral("铁"),
                                                       QStringLiteral("梨"),
                                                       e,
                                                       e}
        << QStringLiteral("AD");
    QTest::newRow("单选题 keeps the first letter of the answer part")
        << QStringLiteral("Check1")
        << QStringLiteral("题干\r\nA.一\r\nB.二\r\n答案：B。解析：A项错误")
        << QStringLiteral("题干")
        << QStringList{QStringLiteral("一"), QStringLiteral("二"), e, e, kept, kept}
        << QStringLiteral("A");
    QTest::newRow("填空题 without capitals goes to the stem and option A")
        << QStringLiteral("Check4") << QStringLiteral("中国的首都是____。")
        << QStringLiteral("中国的首都是____。")
        << QStringList{QStringLiteral("中国的首都是____。"), e, e, e, e, e}
        << QStringLiteral("任意");
    QTest::newRow("判断题 takes the whole text")
        << QStringLiteral("Check3") << QStringLiteral("地球是圆的。\r\n答案：正确")
        << QStringLiteral("地球是圆的。\r\n答案：正确")
        << QStringList{QStringLiteral("正确"), QStringLiteral("错误"), e, e, e, e}
        << QStringLiteral("A");
}

void tst_Form11Paste::importsThroughTheDoubleClick() {
    QFETCH(QString, type);
    QFETCH(QString, clipboard);
    QFETCH(QString, expectedTimu);
    QFETCH(QStringList, options);
    QFETCH(QString, answer);
    QTest::mouseClick(f_->child<QCheckBox>(type.toLatin1().constData()), Qt::LeftButton);
    // Boxes the paste has no marker for keep what they held.
    if (type == QStringLiteral("Check1")) {
        edit("SE")->setText(QStringLiteral("原有"));
        edit("SF")->setText(QStringLiteral("原有"));
    }
    paste(clipboard);
    QCOMPARE(timu()->text(), expectedTimu);
    QCOMPARE(this->options(), options);
    QCOMPARE(edit("answer")->text(), answer);
}

void tst_Form11Paste::pictureQuestionKeepsItsStem() {
    f_->platform.clock = QDateTime(QDate(2026, 12, 7), QTime(14, 30, 5));
    QCheckBox* timu1 = f_->child<QCheckBox>("timu1");
    QTest::mouseClick(timu1, Qt::LeftButton);
    QCOMPARE(timu()->text(), QStringLiteral("题目如图2026/12/7 14:30:05"));
    paste(QStringLiteral("A.x B.y"));
    QCOMPARE(timu()->text(), QStringLiteral("题目如图2026/12/7 14:30:05【题目如图】"));
    QCOMPARE(edit("SA")->text(), QStringLiteral("x "));
    QCOMPARE(edit("SB")->text(), QStringLiteral("y"));
    // Unticking leaves the question text as it is.
    QTest::mouseClick(timu1, Qt::LeftButton);
    QVERIFY(!timu1->isChecked());
    QCOMPARE(timu()->text(), QStringLiteral("题目如图2026/12/7 14:30:05【题目如图】"));
}

void tst_Form11Paste::clipboardWithoutTextChangesNothing() {
    timu()->setText(QStringLiteral("已有题目"));
    edit("answer")->setText(QStringLiteral("B"));
    QGuiApplication::clipboard()->setImage(QImage(8, 8, QImage::Format_RGB32));
    QTest::mouseDClick(timu()->viewport(), Qt::LeftButton);
    QCOMPARE(timu()->text(), QStringLiteral("已有题目"));
    QCOMPARE(edit("answer")->text(), QStringLiteral("B"));
    QCOMPARE(options(), QStringList(6));
}

QTEST_MAIN(tst_Form11Paste)
#include "tst_Form11Paste.moc"
