#pragma once
// Small helpers shared by the benchmarks: a throwaway PostgreSQL pair, peak
// memory, timing.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>

#include <cstdio>

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
        const int rc = QProcess::execute(QStringLiteral("bash"),
                                         {script_, QStringLiteral("start"), dir_, QString::number(port),
                                          QString::number(port + 1),
                                          src + QStringLiteral("/schema/postgresql.sql")});
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
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

inline void ResetPeakRss() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

}  // namespace qs::bench
