#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>

#include "db/ConnectionThread.h"
#include "db/Endpoints.h"
#include "question/Question.h"
#include "support/FakePlatform.h"
#include "support/SqlServerStandIn.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncPasses.h"
#include "sync/UnfinishedPasses.h"
#include "sync/VirtualRows.h"
#include "widgets/DatabaseWorker.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

namespace {

const QString kRight = u")正在向右同步题目[timu].."_s;

// The title a question pass ends with when `same` present questions in a row reach the threshold.
QString stopped(const QString& progress, int same, const QString& text = kRight) {
    return progress + text + u" - 连续相同%1，程序已自动中止..."_s.arg(same);
}

QString show(const QVariant& v) {
    if (v.isNull()) return u"<null>"_s;
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
    if (v.metaType().id() == QMetaType::QByteArray)
        return QString::fromLatin1(v.toByteArray().toHex());
    return v.toString().left(19);  // SQLite keeps times as text
}

void put(Connection& c, const QString& table, const QVariantMap& values) {
    QSqlQuery q = c.query();
    QStringList marks(values.size(), u"?"_s);
    const QString sql =
        u"insert into %1 (%2) values (%3)"_s.arg(table, values.keys().join(u','), marks.join(u','));
    QVERIFY2(q.prepare(sql), qPrintable(q.lastError().text()));
    for (const QVariant& v : values) q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

void question(Connection& c, const QString& text, const QVariant& bank = u"会计"_s,
              QVariantMap more = {}) {
    more.insert(u"mantype"_s, bank);
    more.insert(u"QUESTION"_s, text);
    if (!more.contains(u"Qtype"_s)) more.insert(u"Qtype"_s, u"单选题"_s);
    put(c, u"timu"_s, more);
}

// The rows of a query as text, one line per row, all columns named.
QStringList rows(Connection& c, QAnyStringView columns, QAnyStringView rest) {
    QSqlQuery q = c.query();
    if (!q.exec(u"select "_s + columns.toString() + u" from "_s + rest.toString()))
        qFatal("%s", qPrintable(q.lastError().text()));
    QStringList out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i) row << show(q.value(i));
        out << row.join(u'|');
    }
    return out;
}

int count(Connection& c, QAnyStringView rest) {
    return c.scalar(u"select count(*) from "_s + rest.toString()).toInt();
}

}  // namespace

// The synchronisation window between two PostgreSQL servers, two embedded
// servers and two SQL Servers (the stand-in): every button, its rows and its
// titles.
class tst_Form19 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(true); }
    // The servers keep their own zone: copied times must not move with the client's.
    void initTestCase() { UseClientTimeZone(); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        UseServerBackend(Backend(backend), folder_.path());
        const bool pg = Backend(backend) == Backend::PostgreSql;
        leftEp_ = pg ? PgLeftEndpoint() : u"db1.qingsong.invalid,1433"_s;
        rightEp_ = pg ? PgRightEndpoint() : u"127.0.0.1,1433"_s;
        left_ = open(leftEp_);
        right_ = open(rightEp_);
        ResetDatabase(*left_);
        ResetDatabase(*right_);
        platform_.clear();
        titles_.clear();
        onTitle_ = nullptr;
        login_.ser1 = leftEp_;
        newWindow(folder_);
    }
    void cleanup() {
        form_.reset(), left_.reset(), right_.reset();
        SqlServerStandIn::setCodePage936(false);
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }

    void opensWithTheLoginEndpointAndResetsTheRunCounter() {
        QCOMPARE(child<QComboBox>("Combo1")->currentText(), leftEp_);
        QCOMPARE(child<QComboBox>("Combo1")->count(), 5);
        Form19 fresh(login_, platform_, ServerSettings::defaults());
        QCOMPARE(fresh.findChild<QComboBox*>(u"Combo2"_s)->currentText(),
                 ServerSettings::defaults().syncEndpoints[2]);
        QCOMPARE(fresh.windowTitle(), u"服务器之间同步数据"_s);
        auto* check = child<QCheckBox>("Check1");
        QVERIFY(check->isChecked());
        form_->sametimu = 7;
        check->click();
        QCOMPARE(form_->sametimu, 7);
        check->click();
        QCOMPARE(form_->sametimu, 0);
    }

    void emptySource_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("box");
        const struct {
            const char *button, *title;
            bool box;
        } passes[] = {{"Command1", "同步成功，共创建新用户:0 共覆盖数据:0", true},
                      {"Command2", "向右同步成功，共创建新题库:0(题目记得同步)", true},
                      {"Command3", "向左同步成功，共创建新题库:0(题目记得同步)", false},
                      {"Command4", "向右同步成功，共创建新题目:0(全部题库)", false},
                      {"Command5", "向左同步成功，共创建新题目:0(全部题库)", false},
                      {"Command6", "向左同步成功，共创建新购买题库记录:0", false},
                      {"Command7", "向右同步成功，共创建新购买题库记录:0", false},
                      {"Command8", "向右同步题目题库名称成功，共搜索:0(全部题库)", false}};
        for (const auto& p : passes)
            QTest::newRow(p.button)
                << QString::fromUtf8(p.button) << QString::fromUtf8(p.title) << p.box;
    }
    void emptySource() {
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(bool, box);
        click(button.toLatin1().constData());
        QCOMPARE(this->title(), title);
        QCOMPARE(platform_.texts(), box ? QStringList{title} : QStringList{});
    }

    void questionPassCopiesEverythingThenStops_data() {
        QTest::addColumn<bool>("rightward");
        QTest::newRow("Command4") << true;
        QTest::newRow("Command5") << false;
    }
    void questionPassCopiesEverythingThenStops() {
        QFETCH(bool, rightward);
        // In a code-page-936 SQL Server database a lookup written without N
        // would not find ₂ and copy every question again.
        SqlServerStandIn::setCodePage936(true);
        Connection& source = rightward ? *left_ : *right_;
        Connection& target = rightward ? *right_ : *left_;
        const QByteArray picture = QByteArray("\xff\xd8\x00\x01jpeg\x00", 9).repeated(300);
        for (int i = 1; i <= 120; ++i) {
            QVariantMap more{{u"id2"_s, i},
                             {u"adder"_s, u"王五"_s},
                             {u"stime"_s, u"2024-03-0%1 08:30:00"_s.arg(i % 9 + 1)},
                             {u"ANSWER"_s, u"AB"_s},
                             {u"SC"_s, u"选项C"_s}};
            if (i % 40 == 0) more.insert(u"BJPG"_s, picture);
            question(source, u"第%1题H₂O"_s.arg(i), u"会计"_s, more);
        }
        const char* button = QTest::currentDataTag();
        click(button);
        const QString text = rightward ? kRight : u")正在向左同步题目[timu].."_s;
        QCOMPARE(titles_.mid(0, 2),
                 (QStringList{u"0/1/连续相同0"_s + text, u"1/2/连续相同0"_s + text}));
        QCOMPARE(title(),
                 (rightward ? u"向右"_s : u"向左"_s) + u"同步成功，共创建新题目:120(全部题库)"_s);
        const QString cols = QuestionColumnNames().join(u',');
        QCOMPARE(rows(target, cols, "timu order by QUESTION"),
                 rows(source, cols, "timu order by QUESTION"));
        // Newest first: the target's first new row is the source's last.
        QCOMPARE(rows(target, "QUESTION", "timu where id = 1"), QStringList{u"第120题H₂O"_s});

        click(button);
        QCOMPARE(title(), stopped(u"0/101/连续相同100"_s, 101, text));
        QCOMPARE(count(target, "timu"), 120);
        QVERIFY(platform_.boxes.isEmpty());
    }

    void thresholds_data() {
        QTest::addColumn<QString>("threshold");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("created");
        QTest::newRow("zero stops after the first present question")
            << "0" << stopped(u"0/1/连续相同0"_s, 1) << 0;
        QTest::newRow("negative stops after the first question")
            << "-1" << stopped(u"0/1/连续相同0"_s, 0) << 1;
        QTest::newRow("not an integer stops nothing") << "十"
                                                      << "服务器之间同步数据" << 0;
    }
    void thresholds() {
        QFETCH(QString, threshold);
        QFETCH(QString, title);
        QFETCH(int, created);
        for (Connection* c : {left_.get(), right_.get()})
            for (const QString& q : {u"旧题"_s, u"老题"_s}) question(*c, q);
        // The newest question decides: present for 0, missing for -1.
        question(*left_, u"新题"_s);
        if (threshold == u"0") question(*right_, u"新题"_s);
        setThreshold(threshold);
        click("Command4");
        QCOMPARE(this->title(), title);
        QCOMPARE(count(*right_, "timu"), 2 + (threshold == u"0") + created);
        if (threshold == u"十")
            QCOMPARE(platform_.texts(),
                     QStringList{u"自动停止的题目数必须是整数，现在是“十”。请改正后再同步。"_s});
    }

    void sameEndpointOnBothSides() {
        for (int i = 0; i < 150; ++i) question(*left_, QString::number(i));
        put(*left_, u"users"_s, {{u"username"_s, u"张三"_s}});
        child<QComboBox>("Combo2")->setEditText(leftEp_);
        const int opened = keptConnections(true);
        click("Command4");
        QCOMPARE(title(), stopped(u"0/101/连续相同100"_s, 101));
        click("Command1");
        QCOMPARE(title(), u"同步成功，共创建新用户:0 共覆盖数据:0"_s);
        QCOMPARE(count(*left_, "timu"), 150);
        QCOMPARE(count(*left_, "users"), 1);
        // One server's connection, kept for the next run; a list's new text is
        // the next run's server.
        QCOMPARE(keptConnections(), opened + 1);
        child<QComboBox>("Combo2")->setEditText(rightEp_);
        click("Command4");
        QCOMPARE(title(), u"向右同步成功，共创建新题目:150(全部题库)"_s);
        QCOMPARE(keptConnections(), opened + 2);

        // Every link the window keeps (its servers' and its passes' reading and
        // look-ahead ones) broken between two runs: the next run opens new ones.
        QFETCH_GLOBAL(int, backend);
        if (Backend(backend) != Backend::PostgreSql) return;
        for (Connection* c : {left_.get(), right_.get()})
            QVERIFY(c->scalar(u"select count(pg_terminate_backend(pid)) from pg_stat_activity "
                              "where pid <> pg_backend_pid() and datname = current_database()"_s)
                        .toInt() > 0);
        ResetDatabase(*right_);
        platform_.clear();
        click("Command4");
        QCOMPARE(platform_.texts().join(u"|"_s), QString());
        QCOMPARE(title(), u"向右同步成功，共创建新题目:150(全部题库)"_s);
        QCOMPARE(count(*right_, "timu"), 150);
    }

    void questionUnderAnotherBank() {
        const QString progress = u"0/1/连续相同0)正在向右同步题目题库名称[timu].."_s;
        question(*left_, u"共同的题"_s);
        question(*right_, u"共同的题"_s, u"审计"_s);
        question(*right_, u"共同的题"_s, u"税法"_s);
        click("Command8");
        QCOMPARE(titles_.first(), progress);
        QCOMPARE(title(), u"向右同步题目题库名称成功，共搜索:1(全部题库)"_s);
        QCOMPARE(rows(*right_, "mantype", "timu order by id"), (QStringList{u"会计"_s, u"税法"_s}));
        setThreshold(u"0"_s);
        click("Command8");
        QCOMPARE(title(), progress + u" - 连续相同1，共搜索:1，程序已自动中止..."_s);
        ResetDatabase(*right_);
        question(*right_, u"共同的题"_s, u"审计"_s);
        click("Command4");
        QCOMPARE(rows(*right_, "mantype", "timu order by id"), (QStringList{u"审计"_s, u"会计"_s}));

        // Five renames in one batch, the target refusing the third: the pass
        // ends at it under its own title with the refusal shown, the two
        // before it stored; the next run renames the rest.
        QFETCH_GLOBAL(int, backend);
        const bool pg = Backend(backend) == Backend::PostgreSql;
        ResetDatabase(*left_), ResetDatabase(*right_);
        for (int i = 1; i <= 5; ++i)
            question(*left_, u"改%1"_s.arg(i)), question(*right_, u"改%1"_s.arg(i), u"旧"_s);
        right_->execute(
            pg ? u"create or replace function qs_refuse() returns trigger language plpgsql as $$ "
                 "begin if new.QUESTION = '改3' then raise exception 'refused'; end if; return "
                 "new; end $$; create trigger qs_refuse before update on timu for each row "
                 "execute function qs_refuse()"_s
               : u"create trigger qs_refuse before update on timu when new.QUESTION = '改3' "
                 "begin select raise(abort, 'refused'); end"_s);
        setThreshold(u"100"_s);
        platform_.clear();
        click("Command8");
        QCOMPARE(title(), u"2/3/连续相同0)正在向右同步题目题库名称[timu].."_s);
        QVERIFY2(platform_.lastText().contains(u"refused"_s), qPrintable(platform_.lastText()));
        QCOMPARE(rows(*right_, "mantype", "timu order by id"),
                 (QStringList{u"旧"_s, u"旧"_s, u"旧"_s, u"会计"_s, u"会计"_s}));
        right_->execute(pg ? u"drop trigger qs_refuse on timu"_s : u"drop trigger qs_refuse"_s);
        click("Command8");
        QCOMPARE(title(), u"向右同步题目题库名称成功，共搜索:5(全部题库)"_s);
        QCOMPARE(count(*right_, "timu where mantype = '会计'"), 5);
    }

    void usersNewerEqualAndOneSided() {
        QVariantMap full;
        for (const QString& c : UserColumns()) full.insert(c, QString(u"左"_s + c));
        for (const char* n : {"exp", "buymoney", "gmoney"}) full.insert(QString::fromLatin1(n), 7);
        auto user = [&](Connection& c, const QString& name, const char* stime,
                        const QString& pass) {
            QVariantMap v = full;
            v[u"username"_s] = name;
            v[u"stime"_s] = QString::fromLatin1(stime);
            v[u"userpass"_s] = pass;
            put(c, u"users"_s, v);
        };
        user(*left_, u"newer"_s, "2024-02-01 10:00:00", u"new"_s);
        user(*right_, u"newer"_s, "2024-01-01 10:00:00", u"old"_s);
        user(*left_, u"equal"_s, "2024-01-01 10:00:00", u"L"_s);
        user(*right_, u"equal"_s, "2024-01-01 10:00:00", u"R"_s);
        user(*right_, u"rightonly"_s, "2023-05-05 05:05:05", u"r"_s);
        // Only the first of two rows with one name is looked at and overwritten.
        user(*right_, u"dup"_s, "2024-01-01 00:00:00", u"R1"_s);
        user(*right_, u"dup"_s, "2025-01-01 00:00:00", u"R2"_s);
        user(*left_, u"dup"_s, "2024-06-01 00:00:00", u"L"_s);
        // Newer by less than a millisecond: copied exactly, so not newer on the way back.
        user(*left_, u"frac"_s, "2024-03-01 10:00:00.9996", u"L"_s);
        user(*right_, u"frac"_s, "2024-03-01 10:00:00", u"R"_s);
        click("Command1");
        QCOMPARE(title(), u"同步成功，共创建新用户:1 共覆盖数据:4"_s);
        QCOMPARE(right_->scalar(u"select cast(stime as text) from users where username = 'frac'"_s),
                 QVariant(u"2024-03-01 10:00:00.9996"_s));
        QCOMPARE(platform_.texts(), QStringList{title()});
        QVERIFY(titles_.contains(u"0/1)正在向左同步用户创建新用户.."_s));
        QVERIFY(titles_.contains(u"0/1)正在向右同步用户比对数据覆盖.."_s));
        const QString cols = UserColumns().join(u',');
        for (const char* name : {"newer", "rightonly"}) {
            const QString one = u"users where username = '"_s + QLatin1String(name) + u"'"_s;
            QCOMPARE(rows(*right_, cols, one), rows(*left_, cols, one));
        }
        QCOMPARE(rows(*left_, "username,userpass", "users order by username, userpass"),
                 (QStringList{u"dup|R2"_s, u"equal|L"_s, u"frac|L"_s, u"newer|new"_s,
                              u"rightonly|r"_s}));
        QCOMPARE(rows(*right_, "username,userpass", "users order by username, userpass"),
                 (QStringList{u"dup|L"_s, u"dup|R2"_s, u"equal|R"_s, u"frac|L"_s, u"newer|new"_s,
                              u"rightonly|r"_s}));
    }

    void banksAndPurchasesKeepTargetSettings() {
        const QString banks = u"insert into alltype (mantype, buypass, download) values "_s;
        const QString buys = u"insert into buylist (mantype, username, buynum) values "_s;
        left_->execute(banks + u"('会计', '左', 3), ('审计', '左', 3)"_s);
        right_->execute(banks + u"('会计', '右', 3)"_s);
        left_->execute(buys + u"('会计', '甲', 1), ('会计', '乙', 2)"_s);
        right_->execute(buys + u"('会计', '甲', 5), ('审计', '丙', 9)"_s);
        click("Command2");
        QCOMPARE(platform_.texts(), QStringList{u"向右同步成功，共创建新题库:1(题目记得同步)"_s});
        QCOMPARE(titles_.first(), u"0/1)正在向右同步题库名称列表alltype.."_s);
        click("Command3");
        QCOMPARE(title(), u"向左同步成功，共创建新题库:0(题目记得同步)"_s);
        click("Command7");
        QCOMPARE(title(), u"向右同步成功，共创建新购买题库记录:1"_s);
        click("Command6");
        QCOMPARE(title(), u"向左同步成功，共创建新购买题库记录:1"_s);
        QCOMPARE(platform_.boxes.size(), 1);
        QCOMPARE(rows(*right_, "mantype,buypass,download", "alltype order by mantype"),
                 (QStringList{u"会计|右|3"_s, u"审计|左|3"_s}));
        const char* bought = "buylist order by mantype, username";
        const QStringList right = rows(*right_, "mantype,username,buynum", bought);
        QCOMPARE(right, (QStringList{u"会计|乙|2"_s, u"会计|甲|5"_s, u"审计|丙|9"_s}));
        QCOMPARE(rows(*left_, "mantype,username,buynum", bought),
                 QStringList(right).replaceInStrings(u"甲|5"_s, u"甲|1"_s));
    }

    void specialKeysMatchOnlyThemselves() {
        // Targets a wildcard would take for the sources.
        question(*right_, u"50 percent"_s);
        question(*right_, u"abc"_s);
        for (const QString& t : {u"it's"_s, u"50%"_s, u"a_c"_s}) question(*left_, t);
        question(*left_, u"无题库"_s, QVariant(QMetaType(QMetaType::QString)));
        // Too long for a LIKE pattern anywhere (SQL Server 8,000 bytes, SQLite 50,000).
        question(*left_, QString(17000, u'题'));
        put(*left_, u"users"_s, {{u"username"_s, u"o'neil_%"_s}});
        put(*left_, u"users"_s, {{u"userpass"_s, u"无名"_s}});
        put(*right_, u"users"_s, {{u"username"_s, u"o'neilX100"_s}});
        click("Command10");
        QVERIFY2(platform_.lastText().contains(u"题目[timu]：创建 5，"_s),
                 qPrintable(platform_.lastText()));
        platform_.clear();
        for (int run = 0; run < 2; ++run) {
            click("Command4");
            QCOMPARE(title(), u"向右同步成功，共创建新题目:%1(全部题库)"_s.arg(run ? 0 : 5));
            click("Command1");
            QCOMPARE(title(), u"同步成功，共创建新用户:%1 共覆盖数据:0"_s.arg(run ? 0 : 3));
        }
        QCOMPARE(count(*right_, "timu"), 7);
        QCOMPARE(count(*right_, "timu where mantype is null"), 1);
        QCOMPARE(count(*right_, "users"), 3);
        QCOMPARE(count(*left_, "users"), 3);
        QCOMPARE(platform_.texts().size(), 2);
    }

    void rowsRepeatedInTheSourceAreCreatedOnce() {
        QFETCH_GLOBAL(int, backend);
        // Newest first: dup, dup, abc, Abc. The embedded server's LIKE ignores case.
        for (const char* q : {"Abc", "abc", "dup", "dup"}) question(*left_, QString::fromLatin1(q));
        for (int i = 0; i < 2; ++i)
            put(*left_, u"buylist"_s, {{u"mantype"_s, u"会计"_s}, {u"username"_s, u"甲"_s}});
        const bool caseless = Backend(backend) != Backend::PostgreSql;
        put(*left_, u"users"_s, {{u"username"_s, u"u1"_s}, {u"stime"_s, u"2024-02-01 10:00:00"_s}});
        // Created by the compare's first pass, met (as equal) by its overwrite pass.
        put(*left_, u"users"_s, {{u"username"_s, u"u2"_s}, {u"stime"_s, u"2024-02-01 10:00:00"_s}});
        put(*right_, u"users"_s,
            {{u"username"_s, u"u1"_s}, {u"stime"_s, u"2024-01-01 10:00:00"_s}});
        // The compare counts what the passes then do, and writes nothing: while it
        // looks at the row its overwrite would change, another client changes that
        // row at once (no lock held).
        onTitle_ = [&](const QString& t) {
            if (!t.contains(u"比对数据覆盖"_s)) return;
            onTitle_ = nullptr;
            Connection other;
            OpenServer(other, rightEp_);
            if (Backend(backend) == Backend::PostgreSql)
                other.execute(u"set lock_timeout = 2000"_s);
            QCOMPARE(
                ErrorNumberOf([&] {
                    other.execute(u"update users set userpass = 'other' where username = 'u1'"_s);
                }),
                0);
        };
        click("Command10");
        QCOMPARE(rows(*right_, "userpass, stime", "users"),
                 QStringList{u"other|2024-01-01 10:00:00"_s});
        QCOMPARE(platform_.texts(),
                 QStringList{u"→向右比对完成，未写入任何数据：\n"
                             "用户[users]：创建 1，覆盖 1，已有 1\n"
                             "  创建：u2\n"
                             "  覆盖：u1\n"
                             "  已有：u2\n"
                             "题库列表[alltype]：创建 0，覆盖 0，已有 0\n"
                             "题目[timu]：创建 %1，覆盖 0，已有 %2\n"
                             "  创建：会计/dup/单选题；会计/abc/单选题%3\n"
                             "  已有：会计/dup/单选题%4\n"
                             "购买记录[buylist]：创建 1，覆盖 0，已有 1\n"
                             "  创建：会计/甲\n"
                             "  已有：会计/甲"_s.arg(caseless ? 2 : 3)
                                 .arg(caseless ? 2 : 1)
                                 .arg(caseless ? u""_s : u"；会计/Abc/单选题"_s)
                                 .arg(caseless ? u"；会计/Abc/单选题"_s : u""_s)});
        QCOMPARE(count(*right_, "timu") + count(*right_, "buylist"), 0);
        titles_.clear();
        click("Command4");
        QCOMPARE(titles_.mid(0, 4),
                 (QStringList{u"0/1/连续相同0"_s + kRight, u"1/2/连续相同0"_s + kRight,
                              u"1/3/连续相同1"_s + kRight, u"2/4/连续相同0"_s + kRight}));
        QCOMPARE(title(), u"向右同步成功，共创建新题目:%1(全部题库)"_s.arg(caseless ? 2 : 3));
        click("Command7");
        QCOMPARE(title(), u"向右同步成功，共创建新购买题库记录:1"_s);
    }

    void takesNoInputWhileRunning() {
        for (int i = 0; i < 3; ++i) question(*left_, QString::number(i));
        auto* check = child<QCheckBox>("Check1");
        onTitle_ = [&](const QString&) {
            QVERIFY(form_->isRunning());
            click("Command2");
            QTest::mouseClick(check, Qt::LeftButton);
            QTest::keyClick(child<QLineEdit>("Text1"), Qt::Key_5);
            QVERIFY(!form_->close());
        };
        click("Command4");
        onTitle_ = nullptr;
        QCOMPARE(title(), u"向右同步成功，共创建新题目:3(全部题库)"_s);
        QVERIFY(platform_.boxes.isEmpty());
        QVERIFY(check->isChecked());
        QCOMPARE(child<QLineEdit>("Text1")->text(), u"100"_s);
        QVERIFY(!form_->isRunning() && form_->isVisible());

        // Another session holds the target's table for 2 s: the window's timer
        // fires on while the pass waits, and 停止 clicked meanwhile ends the
        // pass once its batch is written.
        QFETCH_GLOBAL(int, backend);
        if (Backend(backend) != Backend::PostgreSql) return;
        for (int i = 3; i < 300; ++i) question(*left_, QString::number(i));
        form_->limits.rows = 50;
        std::atomic<bool> held = false;
        ConnectionThread holder(ServerConnectionString(rightEp_), 10);
        holder.run<void>([&held](Connection& c) {
            c.beginTransaction();
            c.execute(u"lock table timu in exclusive mode"_s);
            held = true;
            QThread::msleep(2000);
            held = false;
            c.commit();
        });
        while (!held) QThread::msleep(1);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            if (held && ++ticks == 5) click("Command9");
        });
        timer.start(10);
        click("Command4");
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QCOMPARE(title(), u"49/50/连续相同0"_s + kRight +
                              u" - 已停止(已处理50/300)，重新同步可补齐其余的..."_s);
        QFile::remove(folder_.file(UnfinishedPasses::fileName()));
    }

    // A pass that ends early (a refused row, a server gone, the operator's
    // stop) keeps its last progress title and the rows before it; one re-run
    // with the default threshold then copies the rest, although more rows than
    // the threshold are already there.
    void anEarlyEndIsFinishedByOneRerun_data() {
        QTest::addColumn<QString>("cause");
        for (const char* c :
             {"refused row", "rejected lookup", "stop button", "killed, run again elsewhere"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }
    void anEarlyEndIsFinishedByOneRerun() {
        QFETCH_GLOBAL(int, backend);
        QFETCH(QString, cause);
        const bool pg = Backend(backend) == Backend::PostgreSql;
        // Killed: the program folder that ran the pass is not the next run's.
        const bool elsewhere = cause == u"killed, run again elsewhere";
        const bool stopButton = cause == u"stop button" || elsewhere;
        form_->limits.rows = 50;
        // Newest first: the 151st question walked is the 150th made.
        for (int i = 1; i <= 300; ++i)
            question(*left_, i != 150                  ? QString::number(i)
                             : cause == u"refused row" ? u"坏题"_s
                             : !pg && cause == u"rejected lookup"
                                 ? QString(u"坏"_s + QChar(0) + u"题"_s)
                                 : u"坏题"_s);
        const QString dir = u"/tmp/qs-pg-test-%1/right"_s.arg(SplitEndpoint(leftEp_).port);
        const QString version =
            QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
        auto pgctl = [&](const QStringList& args) {
            return QProcess::execute(
                u"runuser"_s,
                QStringList{u"-u"_s, u"postgres"_s, u"--"_s,
                            u"/usr/lib/postgresql/"_s + version + u"/bin/pg_ctl"_s, u"-D"_s, dir} +
                    args);
        };
        const char* refuse =
            pg ? "create or replace function qs_refuse() returns trigger language plpgsql as $$ "
                 "begin if "
                 "new.QUESTION = '坏题' then raise exception 'refused'; end if; return new; end "
                 "$$; "
                 "create trigger qs_refuse before insert on timu for each row execute function "
                 "qs_refuse()"
               : "create trigger qs_refuse before insert on timu when new.QUESTION = '坏题' begin "
                 "select raise(abort, 'refused'); end";
        if (cause == u"refused row") {
            right_->execute(QString::fromUtf8(refuse));
            // The compare only looks up: the trigger never sees a row.
            child<QComboBox>("Combo3")->setCurrentIndex(3);
            click("Command10");
            QVERIFY2(platform_.lastText().contains(u"题目[timu]：创建 300，覆盖 0，已有 0"_s),
                     qPrintable(platform_.lastText()));
            QCOMPARE(count(*right_, "timu"), 0);
            platform_.clear();
        }
        // The titles are written once a batch's rows are stored: the batch of
        // rows 151 to 200 is the first that meets a stopped server or button.
        onTitle_ = [&](const QString& t) {
            if (!t.startsWith(u"120/121/"_s)) return;
            // Remembered from the start, should the program itself be killed.
            QVERIFY(unfinished(folder_).contains(kRight));
            if (stopButton)
                click("Command9");
            else if (cause == u"rejected lookup" && pg)
                pgctl({u"-m"_s, u"immediate"_s, u"-w"_s, u"stop"_s});
        };
        if (cause == u"rejected lookup" && pg) right_.reset();
        click("Command4");
        onTitle_ = nullptr;
        const QString at = u"150/151/连续相同0"_s + kRight;
        if (stopButton) {
            QCOMPARE(title(), u"149/150/连续相同0"_s + kRight +
                                  u" - 已停止(已处理150/300)，重新同步可补齐其余的..."_s);
            QVERIFY(platform_.boxes.isEmpty());
            QCOMPARE(child<QProgressBar>("ProgressBar1")->value(), 150);
            QCOMPARE(child<QProgressBar>("ProgressBar1")->maximum(), 300);
        } else {
            QCOMPARE(title(), at);
            QCOMPARE(platform_.boxes.size(), 1);
            QVERIFY2(platform_.lastText().startsWith(u"同步出错，已中止"_s) &&
                         platform_.lastText().contains(u"不会重复创建"_s),
                     qPrintable(platform_.lastText()));
        }
        QVERIFY(!child("Command9")->isEnabled());
        if (cause == u"rejected lookup" && pg)
            QCOMPARE(pgctl({u"-w"_s, u"-l"_s, dir + u".log"_s, u"start"_s}), 0);
        if (!right_) right_ = open(rightEp_);
        // A server stopped at once may lose its last commits (the test servers
        // do not wait for the disk).
        const int kept = count(*right_, "timu");
        if (!(cause == u"rejected lookup" && pg)) QCOMPARE(kept, 150);
        if (cause == u"refused row")
            right_->execute(pg ? u"drop trigger qs_refuse on timu"_s : u"drop trigger qs_refuse"_s);
        if (cause == u"rejected lookup" && !pg)
            left_->execute(u"update timu set QUESTION = '坏题' where id = 150"_s);
        // Run again from another program folder, which knows nothing of the
        // pass: the stop rule ends it after 100 present questions, and the
        // title says how many are missing and how to finish them.
        const TempProgramFolder& next = elsewhere ? other_ : folder_;
        newWindow(next);
        if (elsewhere) {
            click("Command4");
            QCOMPARE(title(), stopped(u"0/101/连续相同100"_s, 101) +
                                  u" - 目标服务器还缺少150道题目，再点一次同一按钮会全部补齐，"
                                  "不会再因连续相同而中止"_s);
        }
        // The program closed and started again still finishes the pass.
        click("Command4");
        QCOMPARE(title(), u"向右同步成功，共创建新题目:%1(全部题库)"_s.arg(300 - kept));
        QCOMPARE(rows(*right_, "count(*), count(distinct QUESTION)", "timu"),
                 QStringList{u"300|300"_s});
        // Finished: the next run obeys the stop rule again.
        QVERIFY(!unfinished(next).contains(kRight));
        click("Command4");
        QCOMPARE(title(), stopped(u"0/101/连续相同100"_s, 101));
        QFile::remove(folder_.file(UnfinishedPasses::fileName()));
    }

    // Every pass handled a batch at a time comes out exactly as handled row by
    // row with each row's own lookup text: the same titles, counts, end and rows on both servers,
    // on random rows full of repeated keys, case variants, wildcards, quotes, NULL keys and times a
    // fraction of a millisecond apart, with small stop thresholds.
    void batchesMatchTheRowByRowPass_data() {
        QTest::addColumn<int>("seed");
        for (int seed : {11, 12, 13}) QTest::newRow(qPrintable(u"seed %1"_s.arg(seed))) << seed;
    }
    void batchesMatchTheRowByRowPass() {
        QFETCH(int, seed);
        const auto R = SyncDirection::Right, L = SyncDirection::Left;
        const struct {
            PassPlan plan;
            bool fromLeft;
        } passes[] = {
            {UserCreatePass(R), true},     {UserCreatePass(L), false}, {UserOverwritePass(R), true},
            {UserOverwritePass(L), false}, {QuestionPass(R), true},    {QuestionPass(L), false},
            {BankNamePass(), true},        {BankListPass(R), true},    {BankListPass(L), false},
            {PurchasePass(R), true},       {PurchasePass(L), false}};
        for (const auto& p : passes) {
            // Run 0: one row a batch, each with its own lookup text; run 1:
            // batches; run 2: batches, writing nothing, which must say all the
            // same and leave both servers as they were.
            QStringList titles[3], contents[3];
            for (int run = 0; run < 3; ++run) {
                QRandomGenerator random(seed);
                fillRandomly(random);
                const int threshold = random.bounded(-1, 8);
                PassLimits limits;
                limits.rows = run == 0 ? 1 : random.bounded(2, 25);
                if (run == 2) contents[2] = allRows();
                ReplicationPass pass(p.fromLeft ? *left_ : *right_, p.fromLeft ? *right_ : *left_,
                                     p.plan);
                pass.setLimits(limits);
                pass.setLookupByText(run == 0);
                VirtualRows written;
                if (run == 2) pass.setDryRun(&written);
                pass.setProgress([&](const QString& t) { titles[run] << t; });
                int same = 0;
                pass.setStopRule(&same, [threshold] { return threshold; });
                int beats = 0;  // every row read keeps the window painted
                pass.setHeartbeat([&beats] { ++beats; });
                const PassResult r = pass.run();
                QVERIFY(beats >= r.processed);
                titles[run]
                    << u"%1 %2 %3 %4"_s.arg(r.processed).arg(r.count).arg(r.stopped).arg(r.missing);
                if (run < 2) contents[run] = allRows();
            }
            QCOMPARE(titles[1], titles[0]);
            QCOMPARE(contents[1], contents[0]);
            QCOMPARE(titles[2], titles[0]);
            QCOMPARE(allRows(), contents[2]);
        }
    }

private:
    // The window as the program opens it: left server from the login, right one typed.
    void newWindow(const TempProgramFolder& folder) {
        form_ =
            std::make_unique<Form19>(login_, platform_, folder.path(), ServerSettings::defaults());
        child<QComboBox>("Combo2")->setEditText(rightEp_);
        connect(form_.get(), &QWidget::windowTitleChanged, this, [this](const QString& t) {
            titles_ << t;
            if (onTitle_) onTitle_(t);
        });
        form_->show();
    }
    // The passes the program folder remembers as begun and not ended.
    static QString unfinished(const TempProgramFolder& folder) {
        QFile f(folder.path() + u'/' + UnfinishedPasses::fileName());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    template <class T = QPushButton>
    T* child(const char* name) {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }
    // Every row of both servers, as text.
    QStringList allRows() {
        QStringList out;
        for (Connection* c : {left_.get(), right_.get()}) {
            out << rows(*c, "*", u"users order by "_s + UserColumns().join(u','));
            out << rows(*c, "id, mantype, QUESTION, Qtype, stime, why0, QJPG", "timu order by id");
            out << rows(*c, "*", "alltype order by id");
            out << rows(*c, "*", u"buylist order by "_s + PurchaseColumns().join(u','));
        }
        return out;
    }
    // Both servers emptied and filled with rows drawn from small pools of keys.
    void fillRandomly(QRandomGenerator& random) {
        const QVariant null(QMetaType(QMetaType::QString));
        auto pick = [&](std::initializer_list<QVariant> pool) {
            return *(pool.begin() + random.bounded(int(pool.size())));
        };
        for (Connection* c : {left_.get(), right_.get()}) {
            ResetDatabase(*c);
            c->beginTransaction();
            auto name = [&] {
                return pick({u"a"_s, u"A"_s, u"b"_s, u"a%"_s, u"a_"_s, u"o'x"_s, u"甲"_s, null});
            };
            auto bank = [&] {
                return pick({u"会计"_s, u"审计"_s, u"Acc"_s, u"acc"_s, u"a_c"_s, null});
            };
            auto time = [&] {
                return pick({u"2024-01-01 10:00:00"_s, u"2024-01-01 10:00:00.5"_s,
                             u"2024-01-01 10:00:00.5004"_s, u"2024-02-01 00:00:00"_s, null});
            };
            for (int i = random.bounded(5, 25); i > 0; --i)
                put(*c, u"users"_s,
                    {{u"username"_s, name()},
                     {u"stime"_s, time()},
                     {u"userpass"_s, QString::number(random.bounded(1000))},
                     {u"exp"_s, random.bounded(9)}});
            for (int i = random.bounded(5, 40); i > 0; --i)
                put(*c, u"timu"_s,
                    {{u"mantype"_s, bank()},
                     {u"QUESTION"_s, pick({u"q1"_s, u"Q1"_s, u"q2"_s, u"5%"_s, u"it's"_s, u"甲题"_s,
                                           u"\"{a, b}\" \\"_s, null})},
                     {u"Qtype"_s, pick({u"单选题"_s, u"多选题"_s})},
                     {u"stime"_s, time()},
                     // Characters a bulk load's text form must escape, and a picture.
                     {u"why0"_s, pick({QVariant(QString::number(random.bounded(1000))),
                                       u"a\tb\\N\nc\r\\\\x"_s})},
                     {u"QJPG"_s, pick({QVariant(QByteArray("\x00\t\\N\xff", 5)),
                                       QVariant(QMetaType(QMetaType::QByteArray))})}});
            for (int i = random.bounded(0, 12); i > 0; --i)
                put(*c, u"alltype"_s,
                    {{u"mantype"_s, bank()},
                     {u"stime"_s, time()},
                     {u"buypass"_s, QString::number(random.bounded(1000))}});
            for (int i = random.bounded(0, 15); i > 0; --i)
                put(*c, u"buylist"_s,
                    {{u"mantype"_s, bank()},
                     {u"stime"_s, time()},
                     {u"username"_s, name()},
                     {u"buynum"_s, random.bounded(9)}});
            c->commit();
        }
    }
    void click(const char* button) { QTest::mouseClick(child(button), Qt::LeftButton); }
    // Connections the database thread opened so far, after closing those it
    // keeps when `closeKept`.
    static int keptConnections(bool closeKept = false) {
        return DatabaseWorker().run([closeKept](WorkerContext& c) {
            if (closeKept) c.connections().closeAll();
            return c.connections().opened();
        });
    }
    void setThreshold(const QString& t) { child<QLineEdit>("Text1")->setText(t); }
    QString title() const { return form_->windowTitle(); }
    static std::unique_ptr<Connection> open(const QString& endpoint) {
        auto c = std::make_unique<Connection>();
        OpenServer(*c, endpoint);
        return c;
    }

    TempProgramFolder folder_, other_;
    FakePlatform platform_;
    LoginState login_;
    QString leftEp_, rightEp_;
    std::unique_ptr<Connection> left_, right_;
    std::unique_ptr<Form19> form_;
    QStringList titles_;
    std::function<void(const QString&)> onTitle_;
};

QTEST_MAIN(tst_Form19)
#include "tst_Form19.moc"
