// What each command costs an operator far from the server, driven through the
// windows as a person drives them (controls found by name, messages answered
// by the fake platform): round trips and connections the server link carries
// (counted by delay_proxy), time to the command's answer, and the longest time
// the window's thread did not answer (the worst lateness of a 10 ms timer).
// PostgreSQL behind delay_proxy at 0 and 25 ms each way; beside it, the number
// of statements each command sends to the SQL Server stand-in.
//
//   bench_link [--runs=N] [--delays=0,25] [--before=PATH]
//     --runs     runs per delay, each in a fresh process as a program start is;
//                the table shows medians (default 3)
//     --before   another build's bench_link, run alternately with this one on
//                the same servers and proxies: the table shows both
//   QS_BENCH_PG_PORT=N   port of the throwaway PostgreSQL pair (default 55640);
//                        proxies and their control ports use N+10 to N+13
//
// Each run prepares its own data directly on the servers (not through the
// proxies): a bank of 30,000 questions of one type on the server and in the
// local file, 20 banks, the operator's account, 2,000 accounts on each server
// for the users' synchronisation (10% newer on each side), and on the right
// server the bank's questions but its newest 1,000, for the question pass (it
// copies the 1,101 the right lacks, stops at the 101st present question, and
// counts what is still missing).

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "BenchSupport.h"
#include "db/Endpoints.h"
#include "editor/Form11.h"
#include "login/Form1.h"
#include "login/Md5.h"
#include "support/FakePlatform.h"
#include "support/SqlServerStandIn.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"

using namespace qs;
using namespace qs::bench;
using namespace Qt::StringLiterals;

namespace {

const QString kBank = u"基准题库"_s;
const QString kOperator = u"bench"_s;
const QString kPassword = u"secret"_s;
constexpr int kBankQuestions = 30000;
constexpr int kBatchQuestions = 100;
constexpr int kSyncAccounts = 2000;

// The commands in the order they run, with their labels.
const QList<QPair<QString, QString>> kCommands = {
    {u"login"_s, u"登录 (到提示)"_s},       {u"editor"_s, u"编辑器打开"_s},
    {u"submit"_s, u"提交 (3万题的题库)"_s}, {u"count"_s, u"题目统计"_s},
    {u"browser"_s, u"题目管理 第一屏"_s},   {u"preview"_s, u"批量导入 预览100题"_s},
    {u"batch"_s, u"批量导入 提交100题"_s},  {u"sync"_s, u"同步 用户数据"_s},
    {u"syncq"_s, u"同步 向右全部题目"_s},
};

// ---------------------------------------------------------------- child side

void exec(Connection& c, const QString& sql) {
    c.execute(sql);
}

// `insert` of the rows `select` makes for n = 1 … count, per backend.
QString insertSeries(const Connection& c, const QString& insert, int count, const QString& select) {
    if (c.backend() == Backend::PostgreSql)
        return insert + select + u" from generate_series(1, %1) n"_s.arg(count);
    return u"with recursive g(n) as (select 1 union all select n + 1 from g where n < %1) "_s.arg(
               count) +
           insert + select + u" from g"_s;
}

// The bank's first `count` questions, every tenth with a picture.
void fillQuestions(Connection& c, int count) {
    const QString picture = c.backend() == Backend::PostgreSql
                                ? u"decode(repeat('ab', 10000), 'hex')"_s
                                : u"zeroblob(10000)"_s;
    exec(c, insertSeries(c,
                         u"insert into timu (mantype, Qtype, id2, QUESTION, answer, nandu, SA, SB, "
                         "SC, SD, why0, adder, QJPG) "_s,
                         count,
                         u"select '基准题库', '单选题', n, '第' || n || '题：下列关于会计要素的说法"
                         "中，正确的是？', 'A', '普通', '选项甲', '选项乙', '选项丙', '选项丁', "
                         "'--', 'sa', case when n % 10 = 0 then "_s +
                             picture + u" end"_s));
}

void fillServerOrLocal(Connection& c, bool server) {
    test::ResetDatabase(c);
    fillQuestions(c, kBankQuestions);
    for (int b = 1; b < 20; ++b)
        exec(c, u"insert into alltype (mantype) values ('题库%1')"_s.arg(b));
    exec(c, u"insert into alltype (mantype) values ('基准题库')"_s);
    if (!server) return;
    exec(c,
         u"insert into conf (ver, adminlist, allonoff, offwhy, offtime) values "
         "('1.0', 'bench,管理员', 1, '', '')"_s);
    exec(c, u"insert into users (username, userpass, timu) values ('bench', '"_s +
                MD5(kPassword, 32) + u"', '基准题库→1')"_s);
}

// The synchronisation pass's accounts: the same on both sides, 10% newer on
// each side.
void fillAccounts(Connection& c, bool left) {
    exec(c, insertSeries(c, u"insert into users (username, userpass, timu, email, stime) "_s,
                         kSyncAccounts,
                         u"select '用户' || n, 'pw' || n, '题库1→' || n, 'u' || n || "
                         "'@example.com', '2024-01-01 00:00:00'"_s));
    exec(c,
         u"update users set stime = '2024-02-01 00:00:00', userpass = '"_s +
             (left ? u"L"_s : u"R"_s) +
             u"' where username like '用户%' and cast(substr(username, 3) as integer) % 10 = "_s +
             (left ? u"1"_s : u"2"_s));
}

// The longest gap between two firings of a 10 ms timer of the window thread,
// less the 10 ms: how long the window could not answer.
class Lateness {
public:
    Lateness() {
        timer_.setInterval(10);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        worst_ = 0;
        since_.start();
        timer_.start();
    }
    double stop() {
        tick();  // a command that never let the timer fire is late by all of it
        timer_.stop();
        return worst_;
    }

private:
    void tick() {
        worst_ = std::max(worst_, since_.nsecsElapsed() / 1e6 - 10);
        since_.start();
    }
    QTimer timer_;
    QElapsedTimer since_;
    double worst_ = 0;
};

struct Measured {
    Counts counts;
    double ms = 0;
    double late = 0;
};

struct Child {
    test::FakePlatform platform;
    test::TempProgramFolder folder;
    LinkCounter counter;
    Lateness lateness;
    QString left, right;  // as the windows reach them
    QMap<QString, Measured> results;

    explicit Child(const QStringList& controlPorts) : counter(controlPorts) {}

    // Runs `command`; the measure ends at its first message box when
    // `toMessage`, else when it returns. What follows a message (the rest of
    // the handler) is measured as `next` when given.
    void measure(const QString& key, const std::function<void()>& command, bool toMessage,
                 const QString& next = {}) {
        const Counts before = counter.now();
        QElapsedTimer t;
        std::optional<Measured> atMessage;
        platform.onMessage = [&](const test::FakePlatform::Box&) {
            if (!toMessage || atMessage) return;
            Measured m;
            m.ms = t.nsecsElapsed() / 1e6;
            m.late = lateness.stop();
            m.counts = counter.now();
            atMessage = m;
            lateness.start();
            t.start();
        };
        lateness.start();
        t.start();
        command();
        Measured end;
        end.ms = t.nsecsElapsed() / 1e6;
        end.late = lateness.stop();
        end.counts = counter.now();
        platform.onMessage = nullptr;
        if (toMessage && !atMessage)
            qFatal("%s gave no message: %s", qPrintable(key), qPrintable(platform.lastText()));
        const Measured first = atMessage ? *atMessage : end;
        auto delta = [](const Counts& a, const Counts& b) {
            return Counts{b.connections - a.connections, b.flights - a.flights,
                          b.statements - a.statements};
        };
        results[key] = {delta(before, first.counts), first.ms, first.late};
        if (!next.isEmpty() && atMessage)
            results[next] = {delta(first.counts, end.counts), end.ms, end.late};
    }

    template <class T = QWidget>
    static T* child(QWidget* window, const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }

    void run() {
        ServerSettings settings = ServerSettings::defaults();
        settings.mainEndpoint = left;
        std::unique_ptr<Form11> editor;
        Form1* loginWindow = nullptr;
        Form1 login(platform, folder.path(), settings, [&]() -> EditorAccess* {
            if (!editor)
                editor = std::make_unique<Form11>(loginWindow->state(), platform, folder.path(),
                                                  settings, [](QWidget*) {});
            return editor.get();
        });
        loginWindow = &login;
        login.show();
        if (!QTest::qWaitForWindowExposed(&login)) qFatal("login window not shown");
        QTest::qWait(50);  // the start-up's own posted work
        child<QComboBox>(&login, "Combo3")->setEditText(left);
        child<QLineEdit>(&login, "Text1")->setText(kOperator);
        child<QLineEdit>(&login, "Text2")->setText(kPassword);
        measure(
            u"login"_s, [&] { child<QPushButton>(&login, "Command1")->click(); }, true,
            u"editor"_s);
        if (!editor || !editor->isVisible()) qFatal("the editor did not open");
        QWidget* e = editor.get();
        if (!QTest::qWaitForWindowExposed(e)) qFatal("editor not shown");

        editor->setBankText(kBank);
        child<QCheckBox>(e, "Check1")->setChecked(true);
        child<QPlainTextEdit>(e, "timu")->setPlainText(u"新题：红灯亮时应当怎样？"_s);
        child<QLineEdit>(e, "answer")->setText(u"B"_s);
        child<QLineEdit>(e, "SA")->setText(u"停车"_s);
        child<QLineEdit>(e, "SB")->setText(u"减速"_s);
        measure(
            u"submit"_s, [&] { child<QPushButton>(e, "Command1")->click(); }, true);
        if (!platform.lastText().startsWith(u"成功添加题目"_s))
            qFatal("submit: %s", qPrintable(platform.lastText()));

        editor->setBankText(kBank);
        measure(
            u"count"_s, [&] { QTest::mouseClick(child(e, "Label32"), Qt::LeftButton); }, true);

        measure(
            u"browser"_s,
            [&] {
                child<QPushButton>(e, "Command6")->click();
                QWidget* browser = child(e, "QuestionBrowser");
                browser->resize(1000, 700);
                child<QTableView>(browser, "Grid1")->viewport()->grab();
            },
            false);
        delete child(e, "QuestionBrowser");

        editor->setBankText(kBank);
        child<QPushButton>(e, "Command5")->click();
        QWidget* batch = child(e, "BatchImport");
        QString paper = u"一、单选题\n"_s;
        for (int n = 1; n <= kBatchQuestions; ++n)
            paper +=
                u"%1. 批量第%1题：绿灯亮时可以怎样？\nA.通行 B.停车 C.倒车 D.掉头\n答案：A\n"_s.arg(
                    n);
        child<QPlainTextEdit>(batch, "paper")->setPlainText(paper);
        measure(
            u"preview"_s, [&] { child<QPushButton>(batch, "preview")->click(); }, false);
        measure(
            u"batch"_s, [&] { child<QPushButton>(batch, "submitAll")->click(); }, false);
        delete batch;

        Form19 sync(login.state(), platform, folder.path(), settings);
        child<QComboBox>(&sync, "Combo1")->setEditText(left);
        child<QComboBox>(&sync, "Combo2")->setEditText(right);
        sync.show();
        platform.clear();
        measure(
            u"sync"_s, [&] { child<QPushButton>(&sync, "Command1")->click(); }, false);
        if (platform.lastText().contains(u"出错"_s)) qFatal("%s", qPrintable(platform.lastText()));
        measure(
            u"syncq"_s, [&] { child<QPushButton>(&sync, "Command4")->click(); }, false);
        if (!sync.windowTitle().contains(u"程序已自动中止"_s))
            qFatal("question pass: %s %s", qPrintable(sync.windowTitle()),
                   qPrintable(platform.lastText()));
        editor.reset();
    }
};

int childMain(bool standIn) {
    // The stand-in's refusals of statements the program then sends another way
    // (the batch import's row-by-row fallback) are counted, not printed.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg && text.startsWith(u"SQL Server stand-in refused"_s)) return;
        std::fprintf(stderr, "%s\n", qPrintable(text));
        if (type == QtFatalMsg) std::abort();
    });
    Child* c = nullptr;
    std::unique_ptr<Child> holder;
    if (standIn) {
        holder = std::make_unique<Child>(QStringList{});
        c = holder.get();
        test::UseServerBackend(Backend::SqlServer, c->folder.path());
        test::SqlServerStandIn::install();
        c->left = u"left.test,1433"_s;
        c->right = u"right.test,1433"_s;
        Connection l, r, local;
        test::OpenServer(l, c->left);
        test::OpenServer(r, c->right);
        local.open(LocalConnectionString(c->folder.path()), 0, ado::adUseClient);
        fillServerOrLocal(l, true);
        fillServerOrLocal(local, false);
        test::ResetDatabase(r);
        fillQuestions(r, kBankQuestions - 1000);
        fillAccounts(l, true);
        fillAccounts(r, false);
    } else {
        holder = std::make_unique<Child>(qEnvironmentVariable("QS_LINK_CONTROL").split(u','));
        c = holder.get();
        test::UseServerBackend(Backend::PostgreSql, c->folder.path());
        c->left = qEnvironmentVariable("QS_LINK_LEFT");
        c->right = qEnvironmentVariable("QS_LINK_RIGHT");
        Connection l, r, local;
        l.open(ServerConnectionString(qEnvironmentVariable("QS_LINK_LEFT_DIRECT")), 10);
        r.open(ServerConnectionString(qEnvironmentVariable("QS_LINK_RIGHT_DIRECT")), 10);
        local.open(LocalConnectionString(c->folder.path()), 0, ado::adUseClient);
        fillServerOrLocal(l, true);
        fillServerOrLocal(local, false);
        test::ResetDatabase(r);
        fillQuestions(r, kBankQuestions - 1000);
        fillAccounts(l, true);
        fillAccounts(r, false);
        exec(l, u"analyze"_s);
        exec(r, u"analyze"_s);
    }
    c->run();
    for (const auto& [key, label] : kCommands) {
        const Measured m = c->results.value(key);
        std::printf("ROW\t%s\t%ld\t%ld\t%ld\t%.1f\t%.1f\n", qPrintable(key), m.counts.flights,
                    m.counts.connections, m.counts.statements, m.ms, m.late);
    }
    std::fflush(stdout);
    return 0;
}

// --------------------------------------------------------------- parent side

using Rows = QMap<QString, QList<Measured>>;

// Runs one child; adds its rows to `rows`.
void runChild(const QString& program, const QStringList& args, const QProcessEnvironment& env,
              Rows& rows) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(30 * 60 * 1000) || p.exitCode() != 0)
        qFatal("%s %s failed", qPrintable(program), qPrintable(args.join(u' ')));
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 7 || f[0] != u"ROW"_s) continue;
        Measured m;
        m.counts = {f[3].toLong(), f[2].toLong(), f[4].toLong()};
        m.ms = f[5].toDouble();
        m.late = f[6].toDouble();
        rows[f[1]] << m;
    }
}

double median(QList<double> v) {
    if (v.isEmpty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

Measured medianOf(const QList<Measured>& runs) {
    QList<double> f, c, s, ms, late;
    for (const Measured& m : runs) {
        f << m.counts.flights;
        c << m.counts.connections;
        s << m.counts.statements;
        ms << m.ms;
        late << m.late;
    }
    return {{long(median(c)), long(median(f)), long(median(s))}, median(ms), median(late)};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(u"--child"_s)) return childMain(false);
    if (args.contains(u"--stand-in"_s)) return childMain(true);

    int runs = 3;
    QList<int> delays{0, 25};
    QString before;
    for (const QString& a : args) {
        if (a.startsWith(u"--runs="_s)) runs = a.mid(7).toInt();
        if (a.startsWith(u"--before="_s)) before = a.mid(9);
        if (a.startsWith(u"--delays="_s)) {
            delays.clear();
            for (const QString& d : a.mid(9).split(u',')) delays << d.toInt();
        }
    }
    const int port = qEnvironmentVariableIntValue("QS_BENCH_PG_PORT") > 0
                         ? qEnvironmentVariableIntValue("QS_BENCH_PG_PORT")
                         : 55640;
    bench::PgPair servers(port);
    QStringList programs{app.applicationFilePath()};
    if (!before.isEmpty()) programs.prepend(before);
    const QStringList names =
        before.isEmpty() ? QStringList{u"this build"_s} : QStringList{u"before"_s, u"after"_s};

    QMap<int, QList<Rows>> byDelay;  // per delay, per program
    for (int delay : delays) {
        Proxies proxies({SplitEndpoint(servers.left()).port, SplitEndpoint(servers.right()).port},
                        port + 10, delay);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QS_LINK_LEFT_DIRECT"_s, servers.left());
        env.insert(u"QS_LINK_RIGHT_DIRECT"_s, servers.right());
        env.insert(u"QS_LINK_LEFT"_s, proxies.endpoints[0]);
        env.insert(u"QS_LINK_RIGHT"_s, proxies.endpoints[1]);
        env.insert(u"QS_LINK_CONTROL"_s, proxies.controls.join(u','));
        QList<Rows> rows(programs.size());
        // Alternately, so that both builds meet the same load of the machine.
        for (int r = 0; r < runs; ++r)
            for (int p = 0; p < programs.size(); ++p)
                runChild(programs[p], {u"--child"_s}, env, rows[p]);
        byDelay[delay] = rows;
    }
    QList<Rows> standIn(programs.size());
    for (int p = 0; p < programs.size(); ++p)
        runChild(programs[p], {u"--stand-in"_s}, QProcessEnvironment::systemEnvironment(),
                 standIn[p]);

    std::printf(
        "PostgreSQL through delay_proxy; medians of %d runs. Columns: round trips, "
        "connections opened, ms to the answer, worst lateness of the window thread (ms)",
        runs);
    std::printf("%s\n", before.isEmpty() ? "" : "; before → after");
    for (int delay : delays) {
        std::printf("\n-- %d ms each way --\n%-24s", delay, "command");
        for (const QString& n : names) std::printf(" | %-30s", qPrintable(n));
        std::printf(" | SQL Server stand-in statements\n");
        for (const auto& [key, label] : kCommands) {
            // Chinese labels are two columns wide on a terminal: pad by width.
            const int width = int(label.toUtf8().size() - label.size()) / 2 + int(label.size());
            std::printf("%s%*s", qPrintable(label), std::max(0, 24 - width), "");
            for (int p = 0; p < programs.size(); ++p) {
                const Measured m = medianOf(byDelay[delay][p].value(key));
                std::printf(" | %4ld rt %2ld conn %7.0f ms %5.0f late", m.counts.flights,
                            m.counts.connections, m.ms, m.late);
            }
            std::printf(" |");
            for (int p = 0; p < programs.size(); ++p)
                std::printf(" %ld", medianOf(standIn[p].value(key)).counts.statements);
            std::printf("\n");
        }
    }
    return 0;
}
