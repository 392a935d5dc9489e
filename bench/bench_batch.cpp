// The batch import's "提交全部": 1,000 new questions into a bank and type that already holds
// 30,000, on a PostgreSQL server plus the SQLite local file, against submitting the same
// questions one by one with the editor's submit. Both figures come from one run.
//
//   bench_batch             starts its own throwaway PostgreSQL cluster
//   QS_PG_LEFT=host,port bench_batch   uses a running server (its ag2 is emptied)
//   QS_BENCH_PG_PORT=N      the port of the throwaway cluster (default 55548)
//   QS_BENCH_QUESTIONS=N    questions per run (default 1000)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <functional>

#include "BenchSupport.h"
#include "bank/EditorQueries.h"
#include "bank/QuestionWriter.h"
#include "db/Endpoints.h"
#include "editor/QuestionRows.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

namespace {

const QString kBank = QStringLiteral("基准题库");
const QString kType = QStringLiteral("单选题");
constexpr int kStored = 30000;

double seconds(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e9;
}

struct Bench {
    TempProgramFolder folder;
    QString endpoint;

    void prepare() {
        Connection server, local;
        server.open(ServerConnectionString(endpoint), 30, ado::adUseServer);
        local.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
        for (Connection* c : {&server, &local}) {
            ResetDatabase(*c);
            AddQuestionGroup(*c, kBank, kType, kStored, QStringLiteral("A"), QStringLiteral("题"));
            c->execute(
                NumberRowsStatement(c->dialect(), BankTypeCondition(c->dialect(), kBank, kType)));
            AddBank(*c, kBank);
        }
        server.execute(QStringLiteral("analyze timu"));
    }

    WriteContext context() const {
        return {endpoint, folder.path(), QStringLiteral("bench"), QDateTime::currentDateTime()};
    }

    QVector<Question> questions(int count) const {
        QVector<Question> out;
        for (int n = 1; n <= count; ++n) {
            Question in;
            in.bank = kBank;
            in.question = QStringLiteral("新题第%1道：红灯亮时应当怎样？").arg(n);
            in.answer = QStringLiteral("B");
            in.nandu = QStringLiteral("普通");
            in.why0 = QStringLiteral("--");
            in.adder = QStringLiteral("bench");
            in.qtype = kType;
            in.options = {QStringLiteral("停车"),
                          QStringLiteral("减速"),
                          QStringLiteral("鸣笛"),
                          QStringLiteral("掉头"),
                          QString(),
                          QString()};
            out << in;
        }
        return out;
    }

    // The numbers both ways must agree: the last new question is the group's last row.
    void check(int count) {
        Connection server;
        server.open(ServerConnectionString(endpoint), 30, ado::adUseServer);
        const qint64 top = server.scalar(QStringLiteral("select max(id2) from timu")).toLongLong();
        if (top != kStored + count) qFatal("numbering differs: %lld", top);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int port = qEnvironmentVariableIntValue("QS_BENCH_PG_PORT");
    const int count = qEnvironmentVariableIsSet("QS_BENCH_QUESTIONS")
                          ? qEnvironmentVariableIntValue("QS_BENCH_QUESTIONS")
                          : 1000;
    bench::PgPair pg(port > 0 ? port : 55548);
    Bench b;
    b.endpoint = pg.left();
    UseServerBackend(Backend::PostgreSql, b.folder.path());
    std::printf(
        "PostgreSQL server %s, local SQLite file; %d new questions into a bank and type "
        "of %d\n",
        qPrintable(b.endpoint), count, kStored);

    const QVector<Question> questions = b.questions(count);
    b.prepare();
    const double lookup = seconds([&] {
        if (QuestionWriter(b.context()).findOnServer(questions).contains(std::nullopt) == false)
            qFatal("lookup found what is not there");
    });
    const double batch = seconds([&] {
        const BatchOutcome out = QuestionWriter(b.context()).addMany(questions);
        for (const BatchRowResult& r : out.rows)
            if (r.status != BatchRowResult::Status::Added)
                qFatal("batch: %s", qPrintable(r.reason));
    });
    b.check(count);
    std::printf("%-48s %9.3f s\n", "preview: look the questions up on the server", lookup);
    std::printf("%-48s %9.3f s\n", "提交全部 (batches of 100)", batch);
    std::fflush(stdout);

    b.prepare();
    const double oneByOne = seconds([&] {
        for (const Question& in : questions) {
            QuestionWriter s(b.context());
            const AddCheck check = s.checkAdd(in);
            if (check.connectionError != 0 || check.duplicate) qFatal("submission refused");
            const SubmitOutcome out = s.add();
            if (!out.server.added || !out.local.added) qFatal("submission failed");
        }
    });
    b.check(count);

    std::printf("%-48s %9.3f s\n", "one by one with the editor's submit", oneByOne);
    std::printf("%-48s %9.1fx\n", "speed-up", batch > 0 ? oneByOne / batch : 0.0);
    return 0;
}
