// Submitting a question, renumbering a bank and deleting it, on a PostgreSQL
// server plus the SQLite local file: the editor's set-based work beside a
// straightforward row-by-row run of the same work.
//
//   bench_submit            starts its own throwaway PostgreSQL cluster
//   QS_PG_LEFT=host,port bench_submit   uses a running server (its ag2 is emptied)
//   QS_BENCH_PG_PORT=N      the port of the throwaway cluster (default 55490)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>
#include <functional>

#include "BenchSupport.h"
#include "bank/BankMaintenance.h"
#include "bank/EditorQueries.h"
#include "bank/QuestionWriter.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "editor/QuestionRows.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

namespace {

const QString kBank = QStringLiteral("基准题库");
const QString kType = QStringLiteral("单选题");
constexpr int kPictureEvery = 10;

// The row-by-row run walks the rows with these queries.
QString SubmitGroupQuery(const SqlDialect& d, const QString& bank, const QString& type) {
    return QStringLiteral("select * from ") + d.bracketed(QStringLiteral("timu")) +
           QStringLiteral(" where ") + BankTypeCondition(d, bank, type) +
           QStringLiteral(" order by id");
}
QString RenumberTypeQuery(const SqlDialect& d, const QString& bank, const QString& type) {
    return SubmitGroupQuery(d, bank, type);
}
QString BankQuestionsQuery(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select * from ") + d.bracketed(QStringLiteral("timu")) +
           QStringLiteral(" where ") + d.matches(QStringLiteral("mantype"), bank) +
           QStringLiteral(" order by id");
}
QString BankRowsQuery(const SqlDialect& d, const QString& bank) {
    return QStringLiteral("select * from ") + d.bracketed(QStringLiteral("alltype")) +
           QStringLiteral(" where ") + d.matches(QStringLiteral("mantype"), bank);
}

double seconds(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e9;
}

void report(const QString& what, double fast, double slow) {
    std::printf("%-44s %9.3f s %11.3f s %8.1fx\n", what.toUtf8().constData(), fast, slow,
                fast > 0 ? slow / fast : 0.0);
    std::fflush(stdout);
}

struct Bench {
    TempProgramFolder folder;
    QString endpoint;

    void openBoth(Connection& server, Connection& local) {
        server.open(ServerConnectionString(endpoint), 30, ado::adUseServer);
        local.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    }

    // Empties both databases and fills them with `fill`.
    void prepare(const std::function<void(Connection&)>& fill) {
        Connection server, local;
        openBoth(server, local);
        ResetDatabase(server);
        ResetDatabase(local);
        fill(server);
        fill(local);
        server.execute(QStringLiteral("analyze timu"));
    }

    WriteContext context() const {
        return {endpoint, folder.path(), QStringLiteral("bench"), QDateTime::currentDateTime()};
    }

    Question question(int n) const {
        Question in;
        in.bank = kBank;
        in.question = QStringLiteral("新题第%1道：红灯亮时应当怎样?").arg(n);
        in.answer = QStringLiteral("B");
        in.nandu = QStringLiteral("普通");
        in.why0 = QStringLiteral("--");
        in.adder = QStringLiteral("bench");
        in.qtype = kType;
        in.options = {QStringLiteral("停车"),
                      QStringLiteral("减速"),
                      QString(),
                      QString(),
                      QString(),
                      QString()};
        return in;
    }

    void submitFast(const Question& in) {
        QuestionWriter s(context());
        const AddCheck check = s.checkAdd(in);
        if (check.connectionError != 0 || check.duplicate) qFatal("submission refused");
        const SubmitOutcome out = s.add();
        if (!out.server.added || !out.local.added || !out.server.number)
            qFatal("submission failed: %s %s", qPrintable(out.server.error),
                   qPrintable(out.local.error));
    }

    // One update per row through a walked recordset, as a plain port would.
    static void renumberRowByRow(Connection& c, const QString& query) {
        Recordset rs;
        rs.open(query, c, ado::adOpenKeyset, ado::adLockOptimistic);
        int counter = 0;
        while (!rs.eof()) {
            if (counter < 32767) ++counter;
            rs.setField(QStringLiteral("id2"), counter);
            rs.update();
            rs.moveNext();
        }
    }

    void submitRowByRow(const Question& in) {
        Connection server, local;
        openBoth(server, local);
        Recordset srv, loc;
        srv.open(DuplicateQuery(server.dialect(), in.bank, in.question, in.answer), server);
        loc.open(DuplicateQuery(local.dialect(), in.bank, in.question, in.answer), local);
        if (!srv.eof()) qFatal("duplicate");
        qint64 serverId = 0;
        for (Recordset* rs : {&srv, &loc}) {
            rs->addNew();
            rs->setField(QStringLiteral("adder"), in.adder);
            rs->setField(QStringLiteral("id2"), 0);
            rs->setField(QStringLiteral("mantype"), in.bank);
            rs->setField(QStringLiteral("QUESTION"), in.question);
            rs->setField(QStringLiteral("answer"), in.answer);
            rs->setField(QStringLiteral("Qtype"), in.qtype);
            rs->setField(QStringLiteral("nandu"), in.nandu);
            rs->setField(QStringLiteral("why0"), in.why0);
            rs->setField(QStringLiteral("SA"), in.options[0]);
            rs->setField(QStringLiteral("SB"), in.options[1]);
            if (rs == &loc) rs->setField(QStringLiteral("sid"), QString::number(serverId));
            rs->update();
            if (rs == &srv) serverId = rs->field(QStringLiteral("id")).toLongLong();
        }
        Recordset log;
        log.openForAppend(LogQuery(server.dialect()), server);
        log.addNew();
        log.setField(QStringLiteral("stime"), QDateTime::currentDateTime());
        log.setField(QStringLiteral("username"), QStringLiteral("bench"));
        log.setField(QStringLiteral("body"), in.question);
        log.update();
        renumberRowByRow(server, SubmitGroupQuery(server.dialect(), in.bank, in.qtype));
        renumberRowByRow(local, SubmitGroupQuery(local.dialect(), in.bank, in.qtype));
    }

    void fillBank(Connection& c, int perType) {
        for (const QString& t : QuestionTypes())
            AddQuestionGroup(c, kBank, t, perType, QStringLiteral("ba"), QStringLiteral("题"), 0,
                             kPictureEvery);
        AddBank(c, kBank);
    }

    void renumberBankRowByRow() {
        Connection server, local;
        openBoth(server, local);
        for (Connection* c : {&server, &local}) {
            for (const QString& t : QuestionTypes()) {
                Recordset rs;
                rs.open(RenumberTypeQuery(c->dialect(), kBank, t), *c, ado::adOpenStatic,
                        ado::adLockOptimistic);
                int counter = 0;
                const bool choice = QuestionTypes().indexOf(t) < 3;
                while (!rs.eof()) {
                    if (counter < 32767) ++counter;
                    rs.setField(QStringLiteral("id2"), counter);
                    if (choice) {
                        const QString old = rs.text(QStringLiteral("ANSWER")).toUpper();
                        QString letters;
                        for (QChar l : QStringLiteral("ABCDEF"))
                            if (old.contains(l)) letters += l;
                        rs.setField(QStringLiteral("ANSWER"), letters);
                    }
                    rs.setField(QStringLiteral("why0"),
                                QString(rs.text(QStringLiteral("why0")) + QLatin1Char(' ')));
                    rs.update();
                    rs.moveNext();
                }
            }
        }
    }

    void deleteBankRowByRow() {
        Connection server, local;
        openBoth(server, local);
        for (Connection* c : {&local, &server}) {
            Recordset rs;
            rs.open(BankQuestionsQuery(c->dialect(), kBank), *c);
            while (!rs.eof()) {
                rs.deleteCurrent();
                rs.moveNext();
            }
            Recordset banks;
            banks.open(BankRowsQuery(c->dialect(), kBank), *c);
            while (!banks.eof()) {
                banks.deleteCurrent();
                banks.moveNext();
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A port of its own, so it runs beside the test servers.
    const int port = qEnvironmentVariableIntValue("QS_BENCH_PG_PORT");
    bench::PgPair pg(port > 0 ? port : 55490);
    Bench b;
    b.endpoint = pg.left();
    UseServerBackend(Backend::PostgreSql, b.folder.path());
    std::printf(
        "PostgreSQL server %s, local SQLite file in %s; one row in %d has a 10 kB picture\n",
        qPrintable(b.endpoint), qPrintable(b.folder.path()), kPictureEvery);
    std::printf("%-44s %11s %13s %9s\n", "work (server + local file)", "set-based", "row-by-row",
                "speed-up");

    for (int rows : {1000, 10000, 30000}) {
        auto fill = [&](Connection& c) {
            AddQuestionGroup(c, kBank, kType, rows, QStringLiteral("A"), QStringLiteral("题"), 0,
                             kPictureEvery);
            // Numbered already, as a bank is between two submissions.
            c.execute(
                NumberRowsStatement(c.dialect(), BankTypeCondition(c.dialect(), kBank, kType)));
        };
        b.prepare(fill);
        b.submitFast(b.question(0));  // warms the caches both runs rely on
        double fast = 0;
        constexpr int kRuns = 3;
        for (int i = 1; i <= kRuns; ++i) fast += seconds([&] { b.submitFast(b.question(i)); });
        b.prepare(fill);
        b.submitFast(b.question(0));
        const double slow = seconds([&] { b.submitRowByRow(b.question(1)); });
        report(QStringLiteral("submit into a bank and type of %1 rows").arg(rows), fast / kRuns,
               slow);
    }

    constexpr int kPerType = 6000;  // 30,000 questions in five types
    b.prepare([&](Connection& c) { b.fillBank(c, kPerType); });
    const double renumberFast = seconds([&] { QuestionWriter(b.context()).renumberBank(kBank); });
    const double deleteFast = seconds([&] { QuestionWriter(b.context()).deleteBank(kBank, true); });
    b.prepare([&](Connection& c) { b.fillBank(c, kPerType); });
    const double renumberSlow = seconds([&] { b.renumberBankRowByRow(); });
    const double deleteSlow = seconds([&] { b.deleteBankRowByRow(); });
    report(QStringLiteral("renumber a bank of 30000 questions"), renumberFast, renumberSlow);
    report(QStringLiteral("delete a bank of 30000 questions"), deleteFast, deleteSlow);
    return 0;
}
