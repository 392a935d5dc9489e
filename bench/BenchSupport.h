#pragma once
// Small helpers shared by the benchmarks: a throwaway PostgreSQL pair, peak
// memory, timing, delaying proxies and what they counted.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>
#include <memory>
#include <vector>

#include "support/SqlServerStandIn.h"

namespace qs::bench {

// Starts two PostgreSQL clusters on loopback for the benchmark (unless
// QS_PG_LEFT names running ones) and stops them when it goes out of scope.
class PgPair {
public:
    explicit PgPair(int port = 55600) {
        left_ = qEnvironmentVariable("QS_PG_LEFT");
        right_ = qEnvironmentVariable("QS_PG_RIGHT");
        if (!left_.isEmpty()) return;
        const QString src = QStringLiteral(QS_SOURCE_DIR);
        dir_ = QStringLiteral("/tmp/qs-pg-bench-%1").arg(port);
        script_ = src + QStringLiteral("/tests/support/pg-test-servers.sh");
        const int rc = QProcess::execute(
            QStringLiteral("bash"),
            {script_, QStringLiteral("start"), dir_, QString::number(port),
             QString::number(port + 1), src + QStringLiteral("/schema/postgresql.sql")});
        if (rc != 0) qFatal("could not start the PostgreSQL benchmark servers");
        left_ = QStringLiteral("127.0.0.1,%1").arg(port);
        right_ = QStringLiteral("127.0.0.1,%1").arg(port + 1);
    }
    ~PgPair() {
        if (!dir_.isEmpty())
            QProcess::execute(QStringLiteral("bash"), {script_, QStringLiteral("stop"), dir_});
    }
    const QString& left() const { return left_; }
    const QString& right() const { return right_; }

private:
    QString left_, right_, dir_, script_;
};

// Peak resident memory since the last reset, in MB (Linux).
inline double PeakRssMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

inline void ResetPeakRss() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// What the link has carried so far: connections and round trips through both
// proxies, or statements sent to the SQL Server stand-in.
struct Counts {
    long connections = 0;
    long flights = 0;
    long statements = 0;
};

// Reads the counts of delay_proxy processes through their control ports.
class LinkCounter {
public:
    explicit LinkCounter(const QStringList& controlPorts) {
        for (const QString& port : controlPorts) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QStringLiteral("127.0.0.1"), quint16(port.toInt()));
            if (!s->waitForConnected(5000))
                qFatal("no delay_proxy control port %s", qPrintable(port));
            sockets_.push_back(std::move(s));
        }
    }
    Counts now() {
        Counts c;
        c.statements = test::SqlServerStandIn::statementCount();
        for (auto& s : sockets_) {
            s->write("\n");
            s->waitForBytesWritten(5000);
            while (!s->canReadLine())
                if (!s->waitForReadyRead(5000)) qFatal("delay_proxy did not answer");
            const QString line = QString::fromLatin1(s->readLine()).trimmed();
            c.connections +=
                line.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('='), 1).toLong();
            c.flights += line.section(QLatin1Char(' '), 1, 1).section(QLatin1Char('='), 1).toLong();
        }
        return c;
    }

private:
    std::vector<std::unique_ptr<QTcpSocket>> sockets_;
};

#ifdef QS_DELAY_PROXY
// delay_proxy processes in front of the `targets` ports, listening on firstPort,
// firstPort + 1 …, their control ports after them, each delaying delayMs each way.
class Proxies {
public:
    Proxies(const QList<int>& targets, int firstPort, double delayMs) {
        for (int i = 0; i < targets.size(); ++i) {
            auto p = std::make_unique<QProcess>();
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(QStringLiteral(QS_DELAY_PROXY),
                     {QString::number(firstPort + i), QString::number(targets[i]),
                      QString::number(delayMs), QString::number(firstPort + targets.size() + i)});
            if (!p->waitForStarted()) qFatal("delay_proxy did not start");
            endpoints << QStringLiteral("127.0.0.1,%1").arg(firstPort + i);
            controls << QString::number(firstPort + targets.size() + i);
            processes_.push_back(std::move(p));
        }
        QThread::msleep(300);
    }
    ~Proxies() {
        for (auto& p : processes_) {
            p->kill();
            p->waitForFinished();
        }
    }
    QStringList endpoints, controls;

private:
    std::vector<std::unique_ptr<QProcess>> processes_;
};
#endif

}  // namespace qs::bench
