#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "support/TestDatabases.h"
#include "widgets/DatabaseWorker.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// A window's database work on the database thread, as the windows' handlers
// use it (the login window is the first): the handler gets the job's value or
// its error, sees its progress, and the stop button it names reaches the job
// while the window's other controls take no clicks.
class tst_DatabaseWorker : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UseServerBackend(Backend::Sqlite, folder_.path()); }
    void run_data();
    void run();

private:
    TempProgramFolder folder_;
};

void tst_DatabaseWorker::run_data() {
    QTest::addColumn<QString>("job");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("shown");  // the last progress the window showed
    QTest::newRow("value") << u"value"_s << 0 << 0 << QString();
    QTest::newRow("error rethrown") << u"error"_s << -1 << err::kProviderFailure << QString();
    QTest::newRow("progress") << u"progress"_s << 0 << 0 << u"3/3"_s;
    QTest::newRow("stop button") << u"stop"_s << 1 << 0 << QString();
    QTest::newRow("started without waiting") << u"start"_s << 0 << 0 << QString();
    QTest::newRow("started, error delivered")
        << u"start error"_s << -1 << err::kProviderFailure << QString();
}

void tst_DatabaseWorker::run() {
    QFETCH(QString, job);
    QFETCH(int, value);
    QFETCH(int, error);
    QFETCH(QString, shown);
    QWidget window;
    auto* stop = new QPushButton(u"停止"_s, &window);
    auto* other = new QPushButton(u"提交"_s, &window);
    other->move(0, 40);
    stop->setEnabled(false);
    window.show();
    int otherClicks = 0;
    connect(other, &QPushButton::clicked, this, [&] { ++otherClicks; });
    QString last;
    DatabaseWorker::Options options;
    options.progress = [&](const QString& caption, int, int) { last = caption; };
    if (job == u"stop"_s) {
        options.stop = stop;
        QTimer::singleShot(50, this, [&] {
            QTest::mouseClick(other, Qt::LeftButton);
            QTest::mouseClick(stop, Qt::LeftButton);
        });
    }
    DatabaseWorker worker;
    int got = -1;
    int number = 0;
    if (job.startsWith(u"start"_s)) {
        // A window gone before the value arrives gets nothing.
        auto* gone = new QObject;
        bool reachedGone = false;
        const QString sql =
            job == u"start"_s ? u"select count(*) from timu"_s : u"select * from nosuchtable"_s;
        auto read = [this, sql](WorkerContext& c) {
            return c.local(folder_.path()).scalar(sql).toInt();
        };
        DatabaseWorker::start(gone, read, [&](int, std::exception_ptr) { reachedGone = true; });
        delete gone;
        bool arrived = false;
        DatabaseWorker::start(&window, read, [&](int v, std::exception_ptr failure) {
            arrived = true;
            got = v;
            try {
                if (failure) std::rethrow_exception(failure);
            } catch (const DbError& e) {
                got = -1;
                number = e.number();
            }
        });
        QTRY_VERIFY(arrived);
        QVERIFY(!reachedGone);
    } else {
        try {
            got = worker.run(
                [&](WorkerContext& c) {
                    Connection& local = c.local(folder_.path());
                    if (job == u"error"_s) local.scalar(u"select * from nosuchtable"_s);
                    for (int i = 1; job == u"progress"_s && i <= 3; ++i)
                        c.progress(u"%1/3"_s.arg(i), i, 3);
                    if (job == u"stop"_s) {
                        QElapsedTimer waited;
                        waited.start();
                        while (!c.stopRequested() && waited.elapsed() < 10000) QThread::msleep(5);
                        return c.stopRequested() ? 1 : 0;
                    }
                    return local.scalar(u"select count(*) from timu"_s).toInt();
                },
                options);
        } catch (const DbError& e) {
            number = e.number();
        }
    }
    QCOMPARE(got, value);
    QCOMPARE(number, error);
    QCOMPARE(last, shown);
    QCOMPARE(otherClicks, 0);
    QVERIFY(!stop->isEnabled());
    QVERIFY(!worker.running());
}

QTEST_MAIN(tst_DatabaseWorker)
#include "tst_DatabaseWorker.moc"
