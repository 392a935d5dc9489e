#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
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
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press");  // QMessageBox::StandardButton
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString progress = u"【用户登录成功】\r\n\r\n用户进度:甲→1"_s;
    QTest::newRow("OK, application title")
        << QString() << int(Buttons::Ok) << int(QMessageBox::Ok) << int(Answer::Ok)
        << u"青松录入双开器"_s << progress;
    QTest::newRow("Yes") << u"是否保存密码"_s << int(Buttons::YesNo) << int(QMessageBox::Yes)
                         << int(Answer::Yes) << u"是否保存密码"_s << progress;
    QTest::newRow("No") << u"注册新用户"_s << int(Buttons::YesNo) << int(QMessageBox::No)
                        << int(Answer::No) << u"注册新用户"_s << progress;
    // Typed or stored texts (a password, a question) are shown as they are,
    // even when they look like markup.
    QTest::newRow("text that looks like markup")
        << QString() << int(Buttons::Ok) << int(QMessageBox::Ok) << int(Answer::Ok)
        << u"青松录入双开器"_s << u"<b>甲</b> &lt;乙&gt;\r\n<i>丙</i>"_s;
}

void tst_QtPlatform::messageBoxes() {
    QFETCH(QString, caption);
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QString seenTitle, seenText;
    Qt::TextFormat seenFormat = Qt::AutoText;
    bool seenBothButtons = false;
    QString pressedText;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenFormat = box->textFormat();
        seenBothButtons = box->button(QMessageBox::Yes) && box->button(QMessageBox::No);
        pressedText = box->button(QMessageBox::StandardButton(press))->text();
        box->button(QMessageBox::StandardButton(press))->click();
    });
    QtPlatform platform;
    const Answer got = platform.message(nullptr, text, caption, Buttons(buttons));
    QCOMPARE(int(got), answer);
    QCOMPARE(seenTitle, title);
    // CR LF is a line break on screen, no stray CR.
    QCOMPARE(seenText, QString(text).replace(u"\r\n"_s, u"\n"_s));
    QCOMPARE(seenFormat, Qt::PlainText);
    QCOMPARE(seenBothButtons, Buttons(buttons) == Buttons::YesNo);
    // The buttons are labelled in Chinese like the rest of the window.
    const QString expectedText = press == QMessageBox::Ok    ? u"确定"_s
                                 : press == QMessageBox::Yes ? u"是(&Y)"_s
                                                             : u"否(&N)"_s;
    QCOMPARE(pressedText, expectedText);
}

QTEST_MAIN(tst_QtPlatform)
#include "tst_QtPlatform.moc"
