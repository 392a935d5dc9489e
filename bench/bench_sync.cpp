// The synchronisation window between two PostgreSQL servers, driven through
// its buttons: a rightward question pass of 20,000 questions into an empty
// target, the same pass again (all present, so the stop rule ends it), a user
// pass over 20,000 accounts with 10% newer on each side, and 2,000 questions
// with two 200 KB pictures each (peak memory of that run). Beside each pass, a
// bulk copy of the same rows between the same two servers through the same
// link (a COPY pipe between two psql clients): into the pass's own target
// table, with its keys and indexes (the honest measure), and, in binary and
// in text form, into a scratch table without them.
// With --delay=MS both servers are reached through delay_proxy, which delays
// every byte by MS each way and counts the round trips and connections each
// run carries. --runs=N repeats the question pass and its pipes N times and
// prints medians and ranges.
//   QS_BENCH_PG_PORT=N   port of the throwaway PostgreSQL pair (default 55620);
//                        the proxies and their control ports use N+50 to N+53

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <algorithm>

#include "BenchSupport.h"
#include "db/Endpoints.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"

using namespace qs;
using namespace Qt::StringLiterals;

namespace {

void exec(Connection& c, const char* sql) {
    c.execute(QString::fromUtf8(sql));
}

int count(Connection& c, const char* table) {
    return c.scalar(QStringLiteral("select count(*) from ") + QString::fromLatin1(table)).toInt();
}

// Questions spread over 50 banks and the five types, made on the server.
void fillQuestions(Connection& c, int rows, bool pictures) {
    test::ResetDatabase(c);
    c.execute(
        QStringLiteral(
            "insert into timu (id2, mantype, QUESTION, Qtype, answer, nandu, SA, SB, SC, SD, "
            "why0, adder, QJPG, AJPG) select g, '题库' || (g % 50), '第' || g || "
            "'题：下列关于会计要素的说法中，正确的是哪一项？', (array['单选题','多选题','判断题',"
            "'填空题','应用题'])[g % 5 + 1], 'A', '普通', '选项甲', '选项乙', '选项丙', '选项丁', "
            "'依据第十二条', '王五', ") +
        (pictures ? QStringLiteral("decode(repeat(md5(g::text), 12800), 'hex'), "
                                   "decode(repeat(md5((g + 1)::text), 12800), 'hex')")
                  : QStringLiteral("null, null")) +
        QStringLiteral(" from generate_series(1, %1) g").arg(rows));
}

// The endpoints the window and the bulk copy reach the servers by.
struct Link {
    QString left, right;
};

const char* kQuestionColumns =
    "adder, mantype, stime, QUESTION, Qtype, nandu, SA, SB, SC, SD, SE, SF, ANSWER, ANSWERSELF, "
    "why0, a1, a2, a3, QJPG, AJPG, BJPG, CJPG, DJPG, EJPG, FJPG, WJPG, id2";

// Copies `columns` of `table` from the left server to the right server
// through the link, as two psql clients piping COPY in its binary form
// (`binary`) or its text form: into the right server's `table` itself (`own`,
// emptied after) or into a scratch table <table>_copy without keys or
// indexes. Returns the seconds it took.
double bulkCopy(const Link& link, Connection& right, const char* table, const char* columns,
                bool binary = true, bool own = false) {
    const QString t = QString::fromLatin1(table);
    const QString into = own ? t : t + u"_copy"_s;
    if (!own)
        right.execute(u"create table if not exists "_s + into + u" as select * from "_s + t +
                      u" where false"_s);
    right.execute(u"truncate "_s + into + u" restart identity"_s);
    const QString bin =
        QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
    const QString psql =
        u"/usr/lib/postgresql/"_s + bin + u"/bin/psql -X -q -h 127.0.0.1 -U sa -d ag2 -p "_s;
    const QString cols = QString::fromLatin1(columns);
    const QString form = binary ? u" with (format binary)"_s : QString();
    const QString pipe =
        u"PGPASSWORD=573 "_s + psql + QString::number(SplitEndpoint(link.left).port) +
        u" -c '\\copy (select "_s + cols + u" from "_s + t + u") to pstdout"_s + form +
        u"' | PGPASSWORD=573 "_s + psql + QString::number(SplitEndpoint(link.right).port) +
        u" -c '\\copy "_s + into + u" ("_s + cols + u") from pstdin"_s + form + u"'"_s;
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(u"bash"_s, {u"-c"_s, pipe}) != 0)
        qFatal("bulk copy failed: %s", qPrintable(pipe));
    const double secs = timer.elapsed() / 1000.0;
    right.execute(u"truncate "_s + into + u" restart identity"_s);
    return secs;
}

// The median, lowest and highest of some figures, as "median [low-high]".
QString spread(QList<double> v, const char* format = "%.0f") {
    std::sort(v.begin(), v.end());
    const double median =
        v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    const QString f = QString::fromLatin1(format);
    return QString::asprintf(qPrintable(f + u" ["_s + f + u"-"_s + f + u"]"_s), median, v.first(),
                             v.last());
}

// What the link carried during `work`: round trips and connections (zero on loopback).
struct Carried {
    long flights = 0, connections = 0;
};
template <class F>
Carried counted(bench::LinkCounter* counter, F&& work) {
    const bench::Counts before = counter ? counter->now() : bench::Counts();
    work();
    const bench::Counts after = counter ? counter->now() : bench::Counts();
    return {after.flights - before.flights, after.connections - before.connections};
}

// The pipes' figures for `rows` rows: the honest one (into the target table), then
// binary and text into the scratch table. Rows per second.
QList<double> printPipes(const Link& link, Connection& right, const char* what, int rows,
                         bench::LinkCounter* counter) {
    double honest = 0;
    const Carried c = counted(
        counter, [&] { honest = bulkCopy(link, right, "timu", kQuestionColumns, true, true); });
    const double binary = bulkCopy(link, right, "timu", kQuestionColumns);
    const double text = bulkCopy(link, right, "timu", kQuestionColumns, false);
    std::printf(
        "COPY pipe of the same %s: into timu itself (keys, indexes) %.2f s = %.0f rows/s "
        "(%ld round trips, %ld connections); into a table without them: binary %.2f s = "
        "%.0f rows/s, text %.2f s = %.0f rows/s\n",
        what, honest, rows / honest, c.flights, c.connections, binary, rows / binary, text,
        rows / text);
    return {rows / honest, rows / binary, rows / text};
}

struct Bench {
    test::FakePlatform platform;
    LoginState login;
    std::unique_ptr<Form19> form;

    Bench(const QString& left, const QString& right) {
        login.ser1 = left;
        form = std::make_unique<Form19>(login, platform, ServerSettings::defaults());
        form->findChild<QComboBox*>(QStringLiteral("Combo2"))->setEditText(right);
        form->show();
    }
    double click(const char* button) {
        QElapsedTimer t;
        t.start();
        form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        const double secs = t.elapsed() / 1000.0;
        if (!platform.boxes.isEmpty() && platform.lastText().startsWith(QStringLiteral("同步出错")))
            qFatal("%s", qPrintable(platform.lastText()));
        return secs;
    }
    QString title() const { return form->windowTitle(); }
};

void questionPasses(Bench& b, const Link& link, Connection& left, Connection& right, int runs,
                    bench::LinkCounter* counter) {
    const int questions = 20000;
    fillQuestions(left, questions, false);
    exec(left, "analyze");
    QList<double> pass, honest, binary, ratio, again;
    QList<double> flights, connections;
    for (int run = 0; run < runs; ++run) {
        test::ResetDatabase(right);
        const QList<double> pipes = printPipes(link, right, "questions", questions, counter);
        double secs = 0;
        const Carried c = counted(counter, [&] { secs = b.click("Command4"); });
        std::printf(
            "questions into an empty target: %d in %.2f s = %.0f questions/s, %.0f%% of the "
            "honest pipe (%ld round trips, %ld connections)  [%s]\n",
            count(right, "timu"), secs, questions / secs, 100 * questions / secs / pipes[0],
            c.flights, c.connections, qPrintable(b.title()));
        if (count(right, "timu") != questions) qFatal("question count mismatch");
        pass << questions / secs;
        honest << pipes[0];
        binary << pipes[1];
        ratio << 100 * questions / secs / pipes[0];
        flights << c.flights;
        connections << c.connections;
        const Carried a = counted(counter, [&] { secs = b.click("Command4"); });
        std::printf("same pass again (all present): %.3f s (%ld round trips)  [%s]\n", secs,
                    a.flights, qPrintable(b.title()));
        again << secs;
    }
    if (runs < 2) return;
    std::printf(
        "over %d runs, median [range]: pass %s questions/s, honest pipe %s rows/s, scratch binary "
        "pipe %s rows/s, pass/honest pipe %s%%, round trips %s, connections %s; again %s s\n",
        runs, qPrintable(spread(pass)), qPrintable(spread(honest)), qPrintable(spread(binary)),
        qPrintable(spread(ratio)), qPrintable(spread(flights)), qPrintable(spread(connections)),
        qPrintable(spread(again, "%.3f")));
}

// The same 20,000 accounts on both sides; 2,000 newer on the left, another
// 2,000 newer on the right.
void userPass(Bench& b, const Link& link, Connection& left, Connection& right) {
    for (Connection* c : {&left, &right}) {
        test::ResetDatabase(*c);
        c->execute(QStringLiteral(
            "insert into users (username, userpass, timu, allt, qq, email, exp, buymoney, gmoney, "
            "stime) select '用户' || g, md5(g::text), '题库1→' || g, repeat('x', 200), g::text, "
            "'u' || g || '@example.com', g, 0, 0, timestamp '2024-01-01' from "
            "generate_series(1, 20000) g"));
    }
    exec(left,
         "update users set stime = timestamp '2024-02-01', userpass = 'L' "
         "where substr(username, 3)::int % 10 = 1");
    exec(right,
         "update users set stime = timestamp '2024-02-01', userpass = 'R' "
         "where substr(username, 3)::int % 10 = 2");
    exec(left, "analyze");
    exec(right, "analyze");
    const double copy = bulkCopy(
        link, right, "users",
        "username, userpass, timu, allt, alltmd5, alltshow, allt5, zifubao, flist, computercode, "
        "myface, myface1, myfriend, stime, comefrom, phone1, phone2, weixin, qq, email, exp, "
        "facebook, school, banji, intro, tuijianren, buymoney, gmoney");
    std::printf("binary COPY pipe of the 20,000 accounts: %.2f s = %.0f rows/s\n", copy,
                20000 / copy);
    b.platform.clear();
    const double secs = b.click("Command1");
    std::printf(
        "users, 20,000 a side, 10%% newer each side: %.2f s = %.0f accounts/s per side "
        "walked  [%s]\n",
        secs, 4 * 20000 / secs, qPrintable(b.title()));
}

void picturePass(Bench& b, const Link& link, Connection& left, Connection& right) {
    const int pictured = 2000;
    fillQuestions(left, pictured, true);
    test::ResetDatabase(right);
    exec(left, "analyze");
    printPipes(link, right, "questions with pictures", pictured, nullptr);
    bench::ResetPeakRss();
    const double before = bench::PeakRssMb();
    const double secs = b.click("Command4");
    std::printf(
        "%d questions with two 200 KB pictures: %.2f s = %.0f questions/s (%.0f MB/s), "
        "peak RSS %.0f MB (%.0f MB before)  [%s]\n",
        count(right, "timu"), secs, pictured / secs, pictured * 0.4096 / secs, bench::PeakRssMb(),
        before, qPrintable(b.title()));
    if (count(right, "timu") != pictured) qFatal("picture question count mismatch");
}

}  // namespace

// Arguments name the parts to run (questions, users, pictures); none runs all.
// --delay=MS puts both servers behind delay_proxy with MS milliseconds each way;
// --runs=N repeats the question pass.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList parts;
    QString delay;
    int runs = 1;
    for (const QString& a : app.arguments().mid(1)) {
        if (a.startsWith(u"--delay="_s))
            delay = a.mid(8);
        else if (a.startsWith(u"--runs="_s))
            runs = qMax(1, a.mid(7).toInt());
        else
            parts << a;
    }
    if (parts.isEmpty())
        parts = {QStringLiteral("questions"), QStringLiteral("users"), QStringLiteral("pictures")};
    const int port = qEnvironmentVariableIntValue("QS_BENCH_PG_PORT");
    bench::PgPair servers(port > 0 ? port : 55620);
    DbEnvironment env;
    env.serverBackend = Backend::PostgreSql;
    DbEnvironment::configure(env);
    Connection left, right;
    left.open(ServerConnectionString(servers.left()), 10);
    right.open(ServerConnectionString(servers.right()), 10);
    Link link{servers.left(), servers.right()};
    std::unique_ptr<bench::Proxies> proxies;
    std::unique_ptr<bench::LinkCounter> counter;
    if (!delay.isEmpty()) {
        const int l = SplitEndpoint(link.left).port, r = SplitEndpoint(link.right).port;
        proxies = std::make_unique<bench::Proxies>(QList<int>{l, r}, l + 50, delay.toDouble());
        link = {proxies->endpoints[0], proxies->endpoints[1]};
        counter = std::make_unique<bench::LinkCounter>(proxies->controls);
    }
    std::printf("link: %s ms one way\n", delay.isEmpty() ? "0 (loopback)" : qPrintable(delay));
    Bench b(link.left, link.right);
    if (parts.contains(QStringLiteral("questions")))
        questionPasses(b, link, left, right, runs, counter.get());
    if (parts.contains(QStringLiteral("users"))) userPass(b, link, left, right);
    if (parts.contains(QStringLiteral("pictures"))) picturePass(b, link, left, right);
    return 0;
}
