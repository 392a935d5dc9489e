// The synchronisation window between two PostgreSQL servers, driven through
// its buttons: a rightward question pass of 20,000 questions into an empty
// target, the same pass again (all present, so the stop rule ends it), a user
// pass over 20,000 accounts with 10% newer on each side, and 2,000 questions
// with two 200 KB pictures each (peak memory of that run). Beside each pass, a
// bulk copy of the same rows between the two servers through the same link
// (a COPY pipe between two psql clients, in binary and in text form, into a
// table without indexes). With --delay=MS both servers are reached through
// delay_proxy, which delays every byte by MS each way.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QThread>

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

// Copies `columns` of `table` from the left server to the right server's
// scratch table <table>_copy through the link, as two psql clients piping
// COPY in its binary form (`binary`) or its text form; returns the seconds it
// took.
double bulkCopy(const Link& link, Connection& right, const char* table, const char* columns,
                bool binary = true) {
    const QString t = QString::fromLatin1(table);
    right.execute(u"create table if not exists "_s + t + u"_copy as select * from "_s + t +
                  u" where false"_s);
    right.execute(u"truncate "_s + t + u"_copy"_s);
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
        u" -c '\\copy "_s + t + u"_copy ("_s + cols + u") from pstdin"_s + form + u"'"_s;
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(u"bash"_s, {u"-c"_s, pipe}) != 0)
        qFatal("bulk copy failed: %s", qPrintable(pipe));
    const double secs = timer.elapsed() / 1000.0;
    right.execute(u"truncate "_s + t + u"_copy"_s);
    return secs;
}

// Both pipes' figures for `rows` rows.
void printPipes(const Link& link, Connection& right, const char* what, int rows) {
    const double binary = bulkCopy(link, right, "timu", kQuestionColumns);
    const double text = bulkCopy(link, right, "timu", kQuestionColumns, false);
    std::printf(
        "COPY pipe of the same %s: binary %.2f s = %.0f rows/s, text %.2f s = %.0f rows/s\n", what,
        binary, rows / binary, text, rows / text);
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

void questionPasses(Bench& b, const Link& link, Connection& left, Connection& right) {
    const int questions = 20000;
    fillQuestions(left, questions, false);
    test::ResetDatabase(right);
    exec(left, "analyze");
    printPipes(link, right, "questions", questions);
    double secs = b.click("Command4");
    std::printf("questions into an empty target: %d in %.2f s = %.0f questions/s  [%s]\n",
                count(right, "timu"), secs, questions / secs, qPrintable(b.title()));
    if (count(right, "timu") != questions) qFatal("question count mismatch");
    secs = b.click("Command4");
    std::printf("same pass again (all present): %.3f s  [%s]\n", secs, qPrintable(b.title()));
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
    printPipes(link, right, "questions with pictures", pictured);
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
// --delay=MS puts both servers behind delay_proxy with MS milliseconds each way.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList parts;
    QString delay;
    for (const QString& a : app.arguments().mid(1)) {
        if (a.startsWith(u"--delay="_s))
            delay = a.mid(8);
        else
            parts << a;
    }
    if (parts.isEmpty())
        parts = {QStringLiteral("questions"), QStringLiteral("users"), QStringLiteral("pictures")};
    bench::PgPair servers(55620);
    DbEnvironment env;
    env.serverBackend = Backend::PostgreSql;
    DbEnvironment::configure(env);
    Connection left, right;
    left.open(ServerConnectionString(servers.left()), 10);
    right.open(ServerConnectionString(servers.right()), 10);
    Link link{servers.left(), servers.right()};
    std::vector<std::unique_ptr<QProcess>> proxies;
    if (!delay.isEmpty()) {
        for (QString* endpoint : {&link.left, &link.right}) {
            const int port = SplitEndpoint(*endpoint).port;
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(QS_DELAY_PROXY),
                     {QString::number(port + 50), QString::number(port), delay});
            if (!p->waitForStarted()) qFatal("delay_proxy did not start");
            proxies.push_back(std::move(p));
            *endpoint = u"127.0.0.1,%1"_s.arg(port + 50);
        }
        QThread::msleep(200);
    }
    std::printf("link: %s ms one way\n", delay.isEmpty() ? "0 (loopback)" : qPrintable(delay));
    Bench b(link.left, link.right);
    if (parts.contains(QStringLiteral("questions"))) questionPasses(b, link, left, right);
    if (parts.contains(QStringLiteral("users"))) userPass(b, link, left, right);
    if (parts.contains(QStringLiteral("pictures"))) picturePass(b, link, left, right);
    for (auto& p : proxies) {
        p->kill();
        p->waitForFinished();
    }
    return 0;
}
