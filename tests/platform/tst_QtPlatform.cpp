#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "platform/QtPlatform.h"

using namespace qs;
using namespace Qt::StringLiterals;

// The production message boxes, answered by a queued call that finds the
// modal box the way an operator would see it.
class tst_QtPlatform : public QObject {
    Q_OBJECT
private slots:
    void messageBoxes_data();
    void messageBoxes();
};

void tst_QtPlatform::messageBoxes_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("press");  // QMessageBox::StandardButton
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("text");
    // Typed or stored texts (a password, a question) are shown as they are,
    // even when they look like markup.
    const QString markup = u"<b>甲</b> &lt;乙&gt;\r\n<i>丙</i>"_s;
    const QString progress = u"【用户登录成功】\r\n\r\n用户进度:甲→1"_s;
    QTest::newRow("OK, application title")
        << QString() << int(QMessageBox::Ok) << u"确定"_s << int(Answer::Ok) << markup;
    QTest::newRow("Yes") << u"是否保存密码"_s << int(QMessageBox::Yes) << u"是(&Y)"_s
                         << int(Answer::Yes) << progress;
    QTest::newRow("No") << u"注册新用户"_s << int(QMessageBox::No) << u"否(&N)"_s << int(Answer::No)
                        << progress;
    // A success or duplicate message repeats the question, however long it is.
    QTest::newRow("long question")
        << QString() << int(QMessageBox::Ok) << u"确定"_s << int(Answer::Ok)
        << u"成功添加题目 1、【"_s + QString(60000, u'长') + u"】"_s;
}

void tst_QtPlatform::messageBoxes() {
    QFETCH(QString, caption);
    QFETCH(int, press);
    QFETCH(QString, buttonText);
    QFETCH(int, answer);
    QFETCH(QString, text);
    const bool yesNo = press != QMessageBox::Ok;
    QString seenTitle, seenText, pressedText;
    Qt::TextFormat seenFormat = Qt::AutoText;
    bool seenBothButtons = false;
    QString seenDetails;
    bool onScreen = false;
    bool pressedIsDefault = false;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seenDetails = box->detailedText();
        // The box and its button lie on the screen, so the button can be reached.
        const QRect screen = box->screen()->availableGeometry();
        QAbstractButton* button = box->button(QMessageBox::StandardButton(press));
        onScreen = screen.contains(box->frameGeometry()) &&
                   screen.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenFormat = box->textFormat();
        seenBothButtons = box->button(QMessageBox::Yes) && box->button(QMessageBox::No);
        pressedIsDefault = box->defaultButton() == box->button(QMessageBox::StandardButton(press));
        pressedText = box->button(QMessageBox::StandardButton(press))->text();
        box->button(QMessageBox::StandardButton(press))->click();
    });
    QtPlatform platform;
    // The Yes/No boxes are asked to prefer the button the row presses.
    const Answer got = platform.message(nullptr, text, caption,
                                        yesNo ? Buttons::YesNo : Buttons::Ok, Answer(answer));
    QCOMPARE(int(got), answer);
    QCOMPARE(seenTitle, caption.isEmpty() ? u"青松录入双开器"_s : caption);
    QVERIFY(onScreen);
    // CR LF is a line break on screen, no stray CR. A long text is shown cut short, and
    // whole in the details.
    const QString shown = QString(text).replace(u"\r\n"_s, u"\n"_s);
    if (text.size() > 1000) {
        QVERIFY(seenText.size() < 1000 && shown.startsWith(seenText.chopped(2)));
        QCOMPARE(seenDetails, shown);
    } else {
        QCOMPARE(seenText, shown);
        QVERIFY(seenDetails.isEmpty());
    }
    QCOMPARE(seenFormat, Qt::PlainText);
    QCOMPARE(seenBothButtons, yesNo);
    QVERIFY(pressedIsDefault || !yesNo);
    // The buttons are labelled in Chinese like the rest of the window.
    QCOMPARE(pressedText, buttonText);
}

QTEST_MAIN(tst_QtPlatform)
#include "tst_QtPlatform.moc"
