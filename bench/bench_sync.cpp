// The synchronisation window between two PostgreSQL servers, driven through
// its buttons: a rightward question pass of 20,000 questions into an empty
// target, the same pass again (all present, so the stop rule ends it), a user
// pass over 20,000 accounts with 10% newer on each side, and 2,000 questions
// with two 200 KB pictures each (peak memory of that run).

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include "BenchSupport.h"
#include "db/Endpoints.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"

using namespace qs;

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

void questionPasses(Bench& b, Connection& left, Connection& right) {
    const int questions = 20000;
    fillQuestions(left, questions, false);
    test::ResetDatabase(right);
    exec(left, "analyze");
    double secs = b.click("Command4");
    std::printf("questions into an empty target: %d in %.2f s = %.0f questions/s  [%s]\n",
                count(right, "timu"), secs, questions / secs, qPrintable(b.title()));
    if (count(right, "timu") != questions) qFatal("question count mismatch");
    secs = b.click("Command4");
    std::printf("same pass again (all present): %.3f s  [%s]\n", secs, qPrintable(b.title()));
}

// The same 20,000 accounts on both sides; 2,000 newer on the left, another
// 2,000 newer on the right.
void userPass(Bench& b, Connection& left, Connection& right) {
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
    b.platform.clear();
    const double secs = b.click("Command1");
    std::printf("users, 20,000 a side, 10%% newer each side: %.2f s = %.0f lookups/s  [%s]\n", secs,
                4 * 20000 / secs, qPrintable(b.title()));
}

void picturePass(Bench& b, Connection& left, Connection& right) {
    const int pictured = 2000;
    fillQuestions(left, pictured, true);
    test::ResetDatabase(right);
    exec(left, "analyze");
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
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList parts = app.arguments().mid(1);
    if (parts.isEmpty())
        parts = {QStringLiteral("questions"), QStringLiteral("users"), QStringLiteral("pictures")};
    bench::PgPair servers(55620);
    DbEnvironment env;
    env.serverBackend = Backend::PostgreSql;
    DbEnvironment::configure(env);
    Connection left, right;
    left.open(ServerConnectionString(servers.left()), 10);
    right.open(ServerConnectionString(servers.right()), 10);
    Bench b(servers.left(), servers.right());
    if (parts.contains(QStringLiteral("questions"))) questionPasses(b, left, right);
    if (parts.contains(QStringLiteral("users"))) userPass(b, left, right);
    if (parts.contains(QStringLiteral("pictures"))) picturePass(b, left, right);
    return 0;
}
