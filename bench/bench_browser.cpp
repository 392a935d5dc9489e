// The question browser on a 30,000-question bank: how long until the first
// screen is painted, and how long a jump anywhere in the table, a type
// filter, a text search and a sort take, on a PostgreSQL server and on an
// embedded SQLite server, directly and through a proxy that delays every
// packet (round trips cost milliseconds in the field).
//
//   bench_browser            starts its own throwaway PostgreSQL cluster
//   QS_PG_LEFT=host,port bench_browser   uses a running server (its ag2 is emptied)
//   QS_BENCH_PG_PORT=N       the port of the throwaway cluster (default 55620)
//   QS_BENCH_DELAY_MS=N      one-way delay of the proxy (default 5)

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "BenchSupport.h"
#include "db/Endpoints.h"
#include "editor/QuestionBrowser.h"
#include "editor/QuestionRows.h"
#include "editor/QuestionTable.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

namespace {

const QString kBank = QStringLiteral("基准题库");
constexpr int kPerType = 6000;  // five types: 30,000 questions
constexpr int kPictureEvery = 10;

double ms(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// Forwards TCP connections to a server, holding every chunk back for a
// while in each direction. Runs in its own thread.
class DelayingProxy : public QObject {
public:
    DelayingProxy(quint16 targetPort, int delayMs) : target_(targetPort), delay_(delayMs) {}
    quint16 start() {
        thread_.start();
        moveToThread(&thread_);
        quint16 port = 0;
        QMetaObject::invokeMethod(
            this,
            [this, &port] {
                server_ = new QTcpServer(this);
                server_->listen(QHostAddress::LocalHost, 0);
                port = server_->serverPort();
                connect(server_, &QTcpServer::newConnection, this, [this] { accept(); });
            },
            Qt::BlockingQueuedConnection);
        return port;
    }
    ~DelayingProxy() override {
        QMetaObject::invokeMethod(
            this, [this] { delete server_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

private:
    void accept() {
        while (QTcpSocket* client = server_->nextPendingConnection()) {
            auto* upstream = new QTcpSocket(this);
            upstream->connectToHost(QHostAddress::LocalHost, target_);
            pipe(client, upstream);
            pipe(upstream, client);
        }
    }
    void pipe(QTcpSocket* from, QTcpSocket* to) {
        connect(from, &QTcpSocket::readyRead, this, [this, from, to] {
            const QByteArray bytes = from->readAll();
            QTimer::singleShot(delay_, this, [to, bytes] {
                if (to->state() != QAbstractSocket::UnconnectedState) to->write(bytes);
            });
        });
        connect(from, &QTcpSocket::disconnected, this,
                [this, to] { QTimer::singleShot(delay_, to, [to] { to->disconnectFromHost(); }); });
    }

    QThread thread_;
    QTcpServer* server_ = nullptr;
    quint16 target_;
    int delay_;
};

void fill(const QString& endpoint) {
    Connection server;
    server.open(ServerConnectionString(endpoint), 30, ado::adUseServer);
    ResetDatabase(server);
    for (const QString& type :
         {QStringLiteral("单选题"), QStringLiteral("多选题"), QStringLiteral("判断题"),
          QStringLiteral("填空题"), QStringLiteral("应用题")})
        AddQuestionGroup(server, kBank, type, kPerType, QStringLiteral("A"),
                         type + QStringLiteral("题目"), 0, kPictureEvery);
    AddQuestionGroup(server, QStringLiteral("别的题库"), QStringLiteral("单选题"), 5000);
    server.execute(QStringLiteral("update timu set id2 = id, adder = 'sa'"));
}

void run(const QString& label, const QString& endpoint, const TempProgramFolder& folder) {
    FakePlatform platform;
    LoginState login;
    login.username = QStringLiteral("sa");
    login.adminlist = QStringLiteral("sa");
    QuestionBrowser* browser = nullptr;
    QTableView* grid = nullptr;
    // Renders the visible rows once the pages they need have come.
    auto paint = [&] {
        grid->viewport()->grab();
        while (browser->table().reading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        grid->viewport()->grab();
    };
    const double first = ms([&] {
        browser = new QuestionBrowser(login, platform, folder.path(), ServerSettings::defaults(),
                                      endpoint, {kBank}, kBank);
        browser->resize(1000, 700);
        browser->show();
        grid = browser->findChild<QTableView*>(QStringLiteral("Grid1"));
        paint();
    });
    const int rows = browser->table().rowCount();
    // Listing again once the window exists: the database part of the first screen.
    const double again = ms([&] {
        browser->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        paint();
    });

    // Jumps to places all over the table, as a dragged scroll bar does.
    QVector<double> jumps;
    QScrollBar* bar = grid->verticalScrollBar();
    for (int i = 1; i <= 20; ++i)
        jumps << ms([&] {
            bar->setValue(bar->maximum() * ((i * 7) % 20) / 19);
            paint();
        });
    // Scrolling a screen at a time through the first pages.
    QVector<double> pages;
    bar->setValue(0);
    for (int i = 0; i < 40; ++i)
        pages << ms([&] {
            bar->setValue(bar->value() + bar->pageStep());
            paint();
        });
    std::sort(jumps.begin(), jumps.end());
    std::sort(pages.begin(), pages.end());

    auto* type = browser->findChild<QComboBox*>(QStringLiteral("Combo2"));
    const double filter = ms([&] {
        type->setCurrentIndex(2);
        paint();
    });
    type->setCurrentIndex(0);
    auto* search = browser->findChild<QLineEdit*>(QStringLiteral("Text1"));
    search->setText(QStringLiteral("题目12"));
    const double found = ms([&] {
        browser->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        paint();
    });
    const int foundRows = browser->table().rowCount();
    search->clear();
    browser->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    const double sorted = ms([&] {
        grid->sortByColumn(int(BrowseColumn::Question), Qt::DescendingOrder);
        paint();
    });

    std::printf(
        "%-28s %6d rows  first screen %7.1f ms (again %6.1f)  jump median %6.1f max %6.1f ms  "
        "page median %5.1f max %5.1f ms  type %6.1f ms  search(%d) %6.1f ms  sort %6.1f ms\n",
        label.toUtf8().constData(), rows, first, again, jumps[jumps.size() / 2], jumps.last(),
        pages[pages.size() / 2], pages.last(), filter, foundRows, found, sorted);
    std::fflush(stdout);
    delete browser;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int delay = qEnvironmentVariableIntValue("QS_BENCH_DELAY_MS") > 0
                          ? qEnvironmentVariableIntValue("QS_BENCH_DELAY_MS")
                          : 5;
    const int port = qEnvironmentVariableIntValue("QS_BENCH_PG_PORT") > 0
                         ? qEnvironmentVariableIntValue("QS_BENCH_PG_PORT")
                         : 55620;
    std::printf("30,000 questions in the listed bank (a picture on every %dth), 5,000 in another\n",
                kPictureEvery);

    TempProgramFolder folder;
    UseServerBackend(Backend::Sqlite, folder.path());
    fill(QStringLiteral("embedded,1"));
    run(QStringLiteral("SQLite (embedded server)"), QStringLiteral("embedded,1"), folder);

    bench::PgPair pg(port);
    UseServerBackend(Backend::PostgreSql, folder.path());
    fill(pg.left());
    run(QStringLiteral("PostgreSQL, loopback"), pg.left(), folder);
    DelayingProxy proxy(quint16(pg.left().section(QLatin1Char(','), 1).toInt()), delay);
    const quint16 proxied = proxy.start();
    run(QStringLiteral("PostgreSQL, +%1 ms each way").arg(delay),
        QStringLiteral("127.0.0.1,%1").arg(proxied), folder);
    return 0;
}
