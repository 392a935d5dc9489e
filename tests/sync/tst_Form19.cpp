#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <memory>

#include "db/Endpoints.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"
#include "sync/SyncPasses.h"

using namespace qs;
using namespace qs::test;

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const QString kRight = S(")正在向右同步题目[timu]..");

// The title a question pass ends with when `same` present questions in a row reach the threshold.
QString stopped(const QString& progress, int same, const QString& text = kRight) {
    return progress + text + S(" - 连续相同%1，程序已自动中止...").arg(same);
}

QString show(const QVariant& v) {
    if (v.isNull()) return S("<null>");
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().toString(S("yyyy-MM-dd HH:mm:ss"));
    if (v.metaType().id() == QMetaType::QByteArray)
        return QString::fromLatin1(v.toByteArray().toHex());
    return v.toString().left(19);  // SQLite keeps times as text
}

void put(Connection& c, const QString& table, const QVariantMap& values) {
    QSqlQuery q(c.database());
    QStringList marks(values.size(), S("?"));
    const QString sql =
        S("insert into %1 (%2) values (%3)").arg(table, values.keys().join(u','), marks.join(u','));
    QVERIFY2(q.prepare(sql), qPrintable(q.lastError().text()));
    for (const QVariant& v : values) q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

void question(Connection& c, const QVariant& bank, const QString& text, QVariantMap more = {}) {
    more.insert(S("mantype"), bank);
    more.insert(S("QUESTION"), text);
    if (!more.contains(S("Qtype"))) more.insert(S("Qtype"), S("单选题"));
    put(c, S("timu"), more);
}

// The rows of a query as text, one line per row, all columns named.
QStringList rows(Connection& c, const QString& columns, const QString& rest) {
    QSqlQuery q(c.database());
    if (!q.exec(S("select ") + columns + S(" from ") + rest))
        qFatal("%s", qPrintable(q.lastError().text()));
    QStringList out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i) row << show(q.value(i));
        out << row.join(u'|');
    }
    return out;
}

int count(Connection& c, const QString& rest) {
    return c.scalar(S("select count(*) from ") + rest).toInt();
}

}  // namespace

// The synchronisation window between two PostgreSQL servers and between two
// embedded servers: every button, its rows and its titles.
class tst_Form19 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    // The servers keep their own zone: copied times must not move with the client's.
    void initTestCase() { UseClientTimeZone(); }
    void init();
    void cleanup() { form_.reset(), left_.reset(), right_.reset(); }

    void opensWithTheLoginEndpointAndResetsTheRunCounter();
    void emptySource_data();
    void emptySource();
    void questionPassCopiesEverythingThenStops_data();
    void questionPassCopiesEverythingThenStops();
    void thresholds_data();
    void thresholds();
    void sameEndpointOnBothSides();
    void questionUnderAnotherBank();
    void usersNewerEqualAndOneSided();
    void banksAndPurchasesKeepTargetSettings();
    void specialKeysMatchOnlyThemselves();
    void rowsRepeatedInTheSourceAreCreatedOnce();
    void aRejectedLookupEndsThePassAtItsOwnRow();
    void takesNoInputWhileRunning();
    void targetServerStopsMidPass();

private:
    void click(const QString& button) {
        QTest::mouseClick(form_->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    void setThreshold(const QString& t) { form_->findChild<QLineEdit*>(S("Text1"))->setText(t); }
    static std::unique_ptr<Connection> open(const QString& endpoint) {
        auto c = std::make_unique<Connection>();
        c->open(ServerConnectionString(endpoint), 10);
        return c;
    }

    TempProgramFolder folder_;
    FakePlatform platform_;
    LoginState login_;
    QString leftEp_, rightEp_;
    std::unique_ptr<Connection> left_, right_;
    std::unique_ptr<Form19> form_;
    QStringList titles_;
    std::function<void(const QString&)> onTitle_;
};

void tst_Form19::init() {
    QFETCH_GLOBAL(int, backend);
    UseServerBackend(Backend(backend), folder_.path());
    const bool pg = Backend(backend) == Backend::PostgreSql;
    leftEp_ = pg ? PgLeftEndpoint() : S("db1.qingsong.invalid,1433");
    rightEp_ = pg ? PgRightEndpoint() : S("127.0.0.1,1433");
    left_ = open(leftEp_);
    right_ = open(rightEp_);
    ResetDatabase(*left_);
    ResetDatabase(*right_);
    platform_.clear();
    titles_.clear();
    onTitle_ = nullptr;
    login_.ser1 = leftEp_;
    form_ = std::make_unique<Form19>(login_, platform_, ServerSettings::defaults());
    form_->findChild<QComboBox*>(S("Combo2"))->setEditText(rightEp_);
    connect(form_.get(), &QWidget::windowTitleChanged, this, [this](const QString& t) {
        titles_ << t;
        if (onTitle_) onTitle_(t);
    });
    form_->show();
}

void tst_Form19::opensWithTheLoginEndpointAndResetsTheRunCounter() {
    QCOMPARE(form_->findChild<QComboBox*>(S("Combo1"))->currentText(), leftEp_);
    QCOMPARE(form_->findChild<QComboBox*>(S("Combo1"))->count(), 5);
    Form19 fresh(login_, platform_, ServerSettings::defaults());
    QCOMPARE(fresh.findChild<QComboBox*>(S("Combo2"))->currentText(),
             ServerSettings::defaults().syncEndpoints[2]);
    QCOMPARE(fresh.windowTitle(), S("服务器之间同步数据"));
    auto* check = form_->findChild<QCheckBox*>(S("Check1"));
    QVERIFY(check->isChecked());
    form_->sametimu = 7;
    check->click();
    QCOMPARE(form_->sametimu, 7);
    check->click();
    QCOMPARE(form_->sametimu, 0);
}

void tst_Form19::emptySource_data() {
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
    for (const auto& p : passes) QTest::newRow(p.button) << S(p.button) << S(p.title) << p.box;
}

void tst_Form19::emptySource() {
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(bool, box);
    click(button);
    QCOMPARE(form_->windowTitle(), title);
    QCOMPARE(platform_.texts(), box ? QStringList{title} : QStringList{});
}

void tst_Form19::questionPassCopiesEverythingThenStops_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("rightward");
    QTest::newRow("right") << "Command4" << true;
    QTest::newRow("left") << "Command5" << false;
}

void tst_Form19::questionPassCopiesEverythingThenStops() {
    QFETCH(QString, button);
    QFETCH(bool, rightward);
    Connection& source = rightward ? *left_ : *right_;
    Connection& target = rightward ? *right_ : *left_;
    const QByteArray picture = QByteArray("\xff\xd8\x00\x01jpeg\x00", 9).repeated(300);
    for (int i = 1; i <= 120; ++i) {
        QVariantMap more{{S("id2"), i},
                         {S("adder"), S("王五")},
                         {S("stime"), S("2024-03-0%1 08:30:00").arg(i % 9 + 1)},
                         {S("ANSWER"), S("AB")},
                         {S("SC"), S("选项C")}};
        if (i % 40 == 0) more.insert(S("BJPG"), picture);
        question(source, S("会计"), S("第%1题").arg(i), more);
    }
    click(button);
    const QString text = rightward ? kRight : S(")正在向左同步题目[timu]..");
    QCOMPARE(titles_.first(), S("0/1/连续相同0") + text);
    QCOMPARE(titles_.at(1), S("1/2/连续相同0") + text);
    QCOMPARE(form_->windowTitle(),
             (rightward ? S("向右") : S("向左")) + S("同步成功，共创建新题目:120(全部题库)"));
    const QString cols = QuestionColumns().join(u',');
    const QString order = S("timu order by QUESTION");
    QCOMPARE(rows(target, cols, order), rows(source, cols, order));
    // Newest first: the target's first new row is the source's last.
    QCOMPARE(rows(target, S("QUESTION"), S("timu where id = 1")), QStringList{S("第120题")});

    titles_.clear();
    click(button);
    QCOMPARE(form_->windowTitle(), stopped(S("0/101/连续相同100"), 101, text));
    QCOMPARE(count(target, S("timu")), 120);
    QVERIFY(platform_.boxes.isEmpty());
}

void tst_Form19::thresholds_data() {
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("created");
    QTest::newRow("zero stops after the first present question")
        << "0" << stopped(S("0/1/连续相同0"), 1) << 0;
    QTest::newRow("negative stops after the first question")
        << "-1" << stopped(S("0/1/连续相同0"), 0) << 1;
    QTest::newRow("not an integer stops nothing") << "十"
                                                  << "服务器之间同步数据" << 0;
}

void tst_Form19::thresholds() {
    QFETCH(QString, threshold);
    QFETCH(QString, title);
    QFETCH(int, created);
    for (const QString& q : {S("旧题"), S("老题")}) {
        question(*left_, S("会计"), q);
        question(*right_, S("会计"), q);
    }
    // The newest question decides: present for 0, missing for -1.
    question(*left_, S("会计"), S("新题"));
    if (threshold == u"0") question(*right_, S("会计"), S("新题"));
    setThreshold(threshold);
    click(S("Command4"));
    QCOMPARE(form_->windowTitle(), title);
    QCOMPARE(count(*right_, S("timu")), 2 + (threshold == u"0") + created);
    if (threshold == u"十")
        QCOMPARE(platform_.texts(),
                 QStringList{S("自动停止的题目数必须是整数，现在是“十”。请改正后再同步。")});
}

void tst_Form19::sameEndpointOnBothSides() {
    for (int i = 0; i < 150; ++i) question(*left_, S("会计"), QString::number(i));
    put(*left_, S("users"), {{S("username"), S("张三")}});
    form_->findChild<QComboBox*>(S("Combo2"))->setEditText(leftEp_);
    click(S("Command4"));
    QCOMPARE(form_->windowTitle(), stopped(S("0/101/连续相同100"), 101));
    click(S("Command1"));
    QCOMPARE(form_->windowTitle(), S("同步成功，共创建新用户:0 共覆盖数据:0"));
    QCOMPARE(count(*left_, S("timu")), 150);
    QCOMPARE(count(*left_, S("users")), 1);
}

void tst_Form19::questionUnderAnotherBank() {
    question(*left_, S("会计"), S("共同的题"));
    question(*right_, S("审计"), S("共同的题"));
    question(*right_, S("税法"), S("共同的题"));
    click(S("Command8"));
    QCOMPARE(titles_.first(), S("0/1/连续相同0)正在向右同步题目题库名称[timu].."));
    QCOMPARE(form_->windowTitle(), S("向右同步题目题库名称成功，共搜索:1(全部题库)"));
    QCOMPARE(rows(*right_, S("mantype"), S("timu order by id")),
             (QStringList{S("会计"), S("税法")}));
    setThreshold(S("0"));
    click(S("Command8"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("0/1/连续相同0)正在向右同步题目题库名称[timu].. "
                                                  "- 连续相同1，共搜索:1，程序已自动中止..."));
    ResetDatabase(*right_);
    question(*right_, S("审计"), S("共同的题"));
    click(S("Command4"));
    QCOMPARE(rows(*right_, S("mantype"), S("timu order by id")),
             (QStringList{S("审计"), S("会计")}));
}

void tst_Form19::usersNewerEqualAndOneSided() {
    QVariantMap full;
    for (const QString& c : UserColumns()) full.insert(c, QString(S("左") + c));
    for (const char* n : {"exp", "buymoney", "gmoney"}) full.insert(QString::fromLatin1(n), 7);
    auto user = [&](Connection& c, const QString& name, const QString& stime, const QString& pass) {
        QVariantMap v = full;
        v[S("username")] = name;
        v[S("stime")] = stime;
        v[S("userpass")] = pass;
        put(c, S("users"), v);
    };
    user(*left_, S("newer"), S("2024-02-01 10:00:00"), S("new"));
    user(*right_, S("newer"), S("2024-01-01 10:00:00"), S("old"));
    user(*left_, S("equal"), S("2024-01-01 10:00:00"), S("L"));
    user(*right_, S("equal"), S("2024-01-01 10:00:00"), S("R"));
    user(*right_, S("rightonly"), S("2023-05-05 05:05:05"), S("r"));
    click(S("Command1"));
    const QString title = S("同步成功，共创建新用户:1 共覆盖数据:1");
    QCOMPARE(form_->windowTitle(), title);
    QCOMPARE(platform_.texts(), QStringList{title});
    QVERIFY(titles_.contains(S("0/1)正在向左同步用户创建新用户..")));
    QVERIFY(titles_.contains(S("0/1)正在向右同步用户比对数据覆盖..")));
    const QString cols = UserColumns().join(u',');
    const QString all = S("users order by username");
    QCOMPARE(rows(*right_, cols, S("users where username = 'newer'")),
             rows(*left_, cols, S("users where username = 'newer'")));
    QCOMPARE(rows(*left_, cols, S("users where username = 'rightonly'")),
             rows(*right_, cols, S("users where username = 'rightonly'")));
    QCOMPARE(rows(*left_, S("username,userpass"), all),
             (QStringList{S("equal|L"), S("newer|new"), S("rightonly|r")}));
    QCOMPARE(rows(*right_, S("username,userpass"), all),
             (QStringList{S("equal|R"), S("newer|new"), S("rightonly|r")}));
}

void tst_Form19::banksAndPurchasesKeepTargetSettings() {
    const QString X = S("会计"), Y = S("审计");
    auto bank = [](Connection& c, const QString& name, const QString& pass) {
        put(c, S("alltype"), {{S("mantype"), name}, {S("buypass"), pass}, {S("download"), 3}});
    };
    auto bought = [](Connection& c, const QString& b, const QString& u, int n) {
        put(c, S("buylist"), {{S("mantype"), b}, {S("username"), u}, {S("buynum"), n}});
    };
    bank(*left_, X, S("左"));
    bank(*left_, Y, S("左"));
    bank(*right_, X, S("右"));
    bought(*left_, X, S("甲"), 1);
    bought(*left_, X, S("乙"), 2);
    bought(*right_, X, S("甲"), 5);
    bought(*right_, Y, S("丙"), 9);
    click(S("Command2"));
    QCOMPARE(platform_.texts(), QStringList{S("向右同步成功，共创建新题库:1(题目记得同步)")});
    QCOMPARE(titles_.first(), S("0/1)正在向右同步题库名称列表alltype.."));
    click(S("Command3"));
    QCOMPARE(form_->windowTitle(), S("向左同步成功，共创建新题库:0(题目记得同步)"));
    click(S("Command7"));
    QCOMPARE(form_->windowTitle(), S("向右同步成功，共创建新购买题库记录:1"));
    click(S("Command6"));
    QCOMPARE(form_->windowTitle(), S("向左同步成功，共创建新购买题库记录:1"));
    QCOMPARE(platform_.boxes.size(), 1);
    const QString banks = S("alltype order by mantype");
    QCOMPARE(rows(*right_, S("mantype,buypass,download"), banks),
             (QStringList{S("会计|右|3"), S("审计|左|3")}));
    const QString buys = S("buylist order by mantype, username");
    QCOMPARE(rows(*right_, S("mantype,username,buynum"), buys),
             (QStringList{S("会计|乙|2"), S("会计|甲|5"), S("审计|丙|9")}));
    QCOMPARE(
        rows(*left_, S("mantype,username,buynum"), buys),
        rows(*right_, S("mantype,username,buynum"), buys).replaceInStrings(S("甲|5"), S("甲|1")));
}

void tst_Form19::specialKeysMatchOnlyThemselves() {
    const QStringList texts = {S("it's"), S("50%"), S("a_c")};
    // Targets a wildcard would take for the sources.
    question(*right_, S("会计"), S("50 percent"));
    question(*right_, S("会计"), S("abc"));
    for (const QString& t : texts) question(*left_, S("会计"), t);
    question(*left_, QVariant(QMetaType(QMetaType::QString)), S("无题库"));
    put(*left_, S("users"), {{S("username"), S("o'neil_%")}});
    put(*left_, S("users"), {{S("userpass"), S("无名")}});
    put(*right_, S("users"), {{S("username"), S("o'neilX100")}});
    for (int run = 0; run < 2; ++run) {
        click(S("Command4"));
        QCOMPARE(form_->windowTitle(),
                 S("向右同步成功，共创建新题目:%1(全部题库)").arg(run ? 0 : 4));
        click(S("Command1"));
        QCOMPARE(form_->windowTitle(),
                 S("同步成功，共创建新用户:%1 共覆盖数据:0").arg(run ? 0 : 3));
    }
    QCOMPARE(count(*right_, S("timu")), 6);
    QCOMPARE(count(*right_, S("timu where mantype is null")), 1);
    QCOMPARE(count(*right_, S("users")), 3);
    QCOMPARE(count(*left_, S("users")), 3);
    QCOMPARE(platform_.texts().size(), 2);
}

void tst_Form19::rowsRepeatedInTheSourceAreCreatedOnce() {
    QFETCH_GLOBAL(int, backend);
    // Newest first: dup, dup, abc, Abc. The embedded server's LIKE ignores case.
    for (const char* q : {"Abc", "abc", "dup", "dup"})
        question(*left_, S("会计"), QString::fromLatin1(q));
    put(*left_, S("buylist"), {{S("mantype"), S("会计")}, {S("username"), S("甲")}});
    put(*left_, S("buylist"), {{S("mantype"), S("会计")}, {S("username"), S("甲")}});
    click(S("Command4"));
    const bool caseless = Backend(backend) == Backend::Sqlite;
    QCOMPARE(titles_.mid(0, 4),
             (QStringList{S("0/1/连续相同0") + kRight, S("1/2/连续相同0") + kRight,
                          S("1/3/连续相同1") + kRight, S("2/4/连续相同0") + kRight}));
    QCOMPARE(form_->windowTitle(),
             S("向右同步成功，共创建新题目:%1(全部题库)").arg(caseless ? 2 : 3));
    click(S("Command7"));
    QCOMPARE(form_->windowTitle(), S("向右同步成功，共创建新购买题库记录:1"));
}

void tst_Form19::aRejectedLookupEndsThePassAtItsOwnRow() {
    QFETCH_GLOBAL(int, backend);
    // A text holding a NUL character cuts the embedded server's query text
    // short; the other servers cannot store one.
    if (Backend(backend) != Backend::Sqlite) QSKIP("only the embedded server stores NUL in text");
    question(*left_, S("会计"), S("最早"));
    question(*left_, S("会计"), S("坏") + QChar(0) + S("题"));
    question(*left_, S("会计"), S("第二"));
    question(*left_, S("会计"), S("最新"));
    click(S("Command4"));
    // As looked up row by row: the two newer questions are stored, the pass
    // ends at the third under its own title.
    QCOMPARE(form_->windowTitle(), S("2/3/连续相同0") + kRight);
    QCOMPARE(rows(*right_, S("QUESTION"), S("timu order by id")),
             (QStringList{S("最新"), S("第二")}));
    QCOMPARE(platform_.boxes.size(), 1);
    QVERIFY2(platform_.lastText().startsWith(S("同步出错，已中止")),
             qPrintable(platform_.lastText()));
}

void tst_Form19::takesNoInputWhileRunning() {
    for (int i = 0; i < 3; ++i) question(*left_, S("会计"), QString::number(i));
    auto* check = form_->findChild<QCheckBox*>(S("Check1"));
    onTitle_ = [&](const QString&) {
        QVERIFY(form_->isRunning());
        QTest::mouseClick(form_->findChild<QPushButton*>(S("Command2")), Qt::LeftButton);
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::keyClick(form_->findChild<QLineEdit*>(S("Text1")), Qt::Key_5);
        QVERIFY(!form_->close());
    };
    click(S("Command4"));
    onTitle_ = nullptr;
    QCOMPARE(form_->windowTitle(), S("向右同步成功，共创建新题目:3(全部题库)"));
    QVERIFY(platform_.boxes.isEmpty());
    QVERIFY(check->isChecked());
    QCOMPARE(form_->findChild<QLineEdit*>(S("Text1"))->text(), S("100"));
    QVERIFY(!form_->isRunning());
    QVERIFY(form_->isVisible());
}

void tst_Form19::targetServerStopsMidPass() {
    QFETCH_GLOBAL(int, backend);
    if (Backend(backend) != Backend::PostgreSql) QSKIP("stopping a server needs a server process");
    const QString dir = S("/tmp/qs-pg-test-%1/right").arg(SplitEndpoint(leftEp_).port);
    const QString pgctl =
        QDir(S("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
    const QString bin = S("/usr/lib/postgresql/") + pgctl + S("/bin/pg_ctl");
    auto pg = [&](const QStringList& args) {
        QStringList all = {S("-u"), S("postgres"), S("--"), bin, S("-D"), dir};
        return QProcess::execute(S("runuser"), all + args);
    };
    for (int i = 0; i < 60; ++i) question(*left_, S("会计"), QString::number(i));
    right_.reset();
    onTitle_ = [&](const QString& t) {
        if (t.startsWith(S("30/31/"))) pg({S("-m"), S("immediate"), S("-w"), S("stop")});
    };
    click(S("Command4"));
    onTitle_ = nullptr;
    QCOMPARE(pg({S("-w"), S("-l"), dir + S(".log"), S("start")}), 0);
    QCOMPARE(platform_.boxes.size(), 1);
    QVERIFY2(platform_.lastText().startsWith(S("同步出错，已中止")),
             qPrintable(platform_.lastText()));
    QCOMPARE(form_->windowTitle(), S("30/31/连续相同0") + kRight);
    click(S("Command4"));
    QVERIFY2(form_->windowTitle().startsWith(S("向右同步成功")), qPrintable(form_->windowTitle()));
    right_ = std::make_unique<Connection>();
    right_->open(ServerConnectionString(rightEp_), 10);
    QCOMPARE(count(*right_, S("timu")), 60);
    QCOMPARE(rows(*right_, S("count(distinct QUESTION)"), S("timu")), QStringList{S("60")});
}

QTEST_MAIN(tst_Form19)
#include "tst_Form19.moc"
