// Walks a 100,000-row question table with pictures through the recordset on
// SQLite and on PostgreSQL: rows per second and peak memory of the walk.

#include <QSqlQuery>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;

namespace {

void fill(Connection& c, int rows, int pictureBytes) {
    test::ResetDatabase(c);
    QByteArray picture(pictureBytes, 'p');
    c.beginTransaction();
    QSqlQuery q = c.query();
    q.prepare(QStringLiteral("insert into timu (id2, mantype, QUESTION, Qtype, answer, SA, SB, QJPG, AJPG) "
                             "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < rows; ++i) {
        picture[0] = char(i);
        q.addBindValue(i % 32767 + 1);
        q.addBindValue(QStringLiteral("题库%1").arg(i % 10));
        q.addBindValue(QStringLiteral("第%1题：下列说法正确的是？").arg(i));
        q.addBindValue(QStringLiteral("单选题"));
        q.addBindValue(QStringLiteral("A"));
        q.addBindValue(QStringLiteral("选项甲"));
        q.addBindValue(QStringLiteral("选项乙"));
        q.addBindValue(picture);
        q.addBindValue(picture);
        if (!q.exec()) qFatal("insert failed");
    }
    c.commit();
}

void walk(const char* name, Connection& c, int rows) {
    bench::ResetPeakRss();
    const double before = bench::PeakRssMb();
    QElapsedTimer t;
    t.start();
    Recordset rs;
    rs.open(QStringLiteral("select * from timu order by id desc"), c, ado::adOpenKeyset,
            ado::adLockReadOnly);
    qint64 bytes = 0;
    int n = 0;
    while (!rs.eof()) {
        bytes += rs.field(QStringLiteral("QJPG")).toByteArray().size();
        bytes += rs.text(QStringLiteral("QUESTION")).size();
        ++n;
        rs.moveNext();
    }
    const double secs = t.elapsed() / 1000.0;
    std::printf("%-11s walked %d rows (%.0f MB of pictures) in %.2f s: %.0f rows/s, peak RSS %.0f MB "
                "(%.0f MB before the walk)\n",
                name, n, bytes / 1048576.0, secs, n / secs, bench::PeakRssMb(), before);
    if (n != rows) qFatal("row count mismatch");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 100000;
    const int pictureBytes = argc > 2 ? atoi(argv[2]) : 4096;
    std::printf("timu rows: %d, two pictures of %d bytes each\n", rows, pictureBytes);
    QTemporaryDir dir;
    {
        test::UseServerBackend(Backend::Sqlite, dir.path());
        Connection c;
        c.open(ServerConnectionString(QStringLiteral("bench,1")), 30, ado::adUseServer);
        fill(c, rows, pictureBytes);
        walk("SQLite", c, rows);
    }
    {
        bench::PgPair pg;
        test::UseServerBackend(Backend::PostgreSql, dir.path());
        Connection c;
        c.open(ServerConnectionString(pg.left()), 30, ado::adUseServer);
        fill(c, rows, pictureBytes);
        walk("PostgreSQL", c, rows);
    }
    return 0;
}
