#include <QSignalSpy>
#include <QTest>

#include "login/ClickableLabel.h"

using namespace qs;

class tst_ClickableLabel : public QObject {
    Q_OBJECT
private slots:
    void doubleClickIsOneClickAndOneDoubleClick();
};

// A double click as the window system delivers it: press, release, double
// click, release. Commands on labels (toggles, answer letters) must run once.
void tst_ClickableLabel::doubleClickIsOneClickAndOneDoubleClick() {
    ClickableLabel label(QStringLiteral("普通"));
    label.resize(80, 20);
    label.show();
    QSignalSpy clicks(&label, &ClickableLabel::clicked);
    QSignalSpy doubles(&label, &ClickableLabel::doubleClicked);
    const QPoint at(10, 10);
    QTest::mousePress(&label, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(at), label.mapToGlobal(QPointF(at)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&label, &dbl);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, at);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(doubles.count(), 1);
}

QTEST_MAIN(tst_ClickableLabel)
#include "tst_ClickableLabel.moc"
