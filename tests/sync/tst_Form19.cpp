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

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"
#include "sync/SyncPasses.h"

using namespace qs;
using namespace qs::test;

namespace {

const QString kRight = QStringLiteral(")正在向右同步题目[timu]..");

QString show(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("<null>");
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (v.metaType().id() == QMetaType::QByteArray)
        return QString::fromLatin1(v.toByteArray().toHex());
    return v.toString().left(19);  // SQLite keeps times as text
}

void put(Connection& c, const QString& table, const QVariantMap& values) {
    QSqlQuery q(c.database());
    QStringList marks(values.size(), QStringLiteral("?"));
    const QString sql = QStringLiteral("insert into %1 (%2) values (%3)")
                            .arg(table, values.keys().join(u','), marks.join(u','));
    QVERIFY2(q.prepare(sql), qPrintable(q.lastError().text()));
    for (const QVariant& v : values) q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

void question(Connection& c, const QVariant& bank, const QString& text, QVariantMap more = {}) {
    more.insert(QStringLiteral("mantype"), bank);
    more.insert(QStringLiteral("QUESTION"), text);
    if (!more.contains(QStringLiteral("Qtype")))
        more.insert(QStringLiteral("Qtype"), QStringLiteral("单选题"));
    put(c, QStringLiteral("timu"), more);
}

// The rows of a query as text, one line per row, all columns named.
QStringList rows(Connection& c, const QString& columns, const QString& rest) {
    QSqlQuery q(c.database());
    if (!q.exec(QStringLiteral("select ") + columns + QStringLiteral(" from ") + rest))
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
    return c.scalar(QStringLiteral("select count(*) from ") + rest).toInt();
}

}  // namespace

// The synchronisation window between two PostgreSQL servers and between two
// embedded servers: every button, its rows and its titles.
class tst_Form19 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void init();
    void cleanup();

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
    void takesNoInputWhileRunning();
    void targetServerStopsMidPass();

private:
    void click(const QString& button) {
        QTest::mouseClick(form_->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    void setThreshold(const QString& t) {
        form_->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(t);
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
    leftEp_ = pg ? PgLeftEndpoint() : QStringLiteral("db1.qingsong.invalid,1433");
    rightEp_ = pg ? PgRightEndpoint() : QStringLiteral("127.0.0.1,1433");
    left_ = std::make_unique<Connection>();
    right_ = std::make_unique<Connection>();
    left_->open(ServerConnectionString(leftEp_), 10);
    right_->open(ServerConnectionString(rightEp_), 10);
    ResetDatabase(*left_);
    ResetDatabase(*right_);
    platform_.clear();
    titles_.clear();
    onTitle_ = nullptr;
    login_.ser1 = leftEp_;
    form_ = std::make_unique<Form19>(login_, platform_, ServerSettings::defaults());
    form_->findChild<QComboBox*>(QStringLiteral("Combo2"))->setEditText(rightEp_);
    connect(form_.get(), &QWidget::windowTitleChanged, this, [this](const QString& t) {
        titles_ << t;
        if (onTitle_) onTitle_(t);
    });
    form_->show();
}

void tst_Form19::cleanup() {
    form_.reset();
    left_.reset();
    right_.reset();
}

void tst_Form19::opensWithTheLoginEndpointAndResetsTheRunCounter() {
    auto* combo1 = form_->findChild<QComboBox*>(QStringLiteral("Combo1"));
    QCOMPARE(combo1->currentText(), leftEp_);
    QCOMPARE(combo1->count(), 5);
    Form19 fresh(login_, platform_, ServerSettings::defaults());
    QCOMPARE(fresh.findChild<QComboBox*>(QStringLiteral("Combo2"))->currentText(),
             ServerSettings::defaults().syncEndpoints[2]);
    QCOMPARE(fresh.windowTitle(), QStringLiteral("服务器之间同步数据"));
    auto* check = form_->findChild<QCheckBox*>(QStringLiteral("Check1"));
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
    QTest::newRow("users") << "Command1"
                           << "同步成功，共创建新用户:0 共覆盖数据:0" << true;
    QTest::newRow("banks right") << "Command2"
                                 << "向右同步成功，共创建新题库:0(题目记得同步)" << true;
    QTest::newRow("banks left") << "Command3"
                                << "向左同步成功，共创建新题库:0(题目记得同步)" << false;
    QTest::newRow("questions right") << "Command4"
                                     << "向右同步成功，共创建新题目:0(全部题库)" << false;
    QTest::newRow("questions left") << "Command5"
                                    << "向左同步成功，共创建新题目:0(全部题库)" << false;
    QTest::newRow("purchases left") << "Command6"
                                    << "向左同步成功，共创建新购买题库记录:0" << false;
    QTest::newRow("purchases right") << "Command7"
                                     << "向右同步成功，共创建新购买题库记录:0" << false;
    QTest::newRow("bank names") << "Command8"
                                << "向右同步题目题库名称成功，共搜索:0(全部题库)" << false;
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
        QVariantMap more{
            {QStringLiteral("id2"), i},
            {QStringLiteral("adder"), QStringLiteral("王五")},
            {QStringLiteral("stime"), QStringLiteral("2024-03-0%1 08:30:00").arg(i % 9 + 1)},
            {QStringLiteral("ANSWER"), QStringLiteral("AB")},
            {QStringLiteral("SC"), QStringLiteral("选项C")}};
        if (i % 40 == 0) more.insert(QStringLiteral("BJPG"), picture);
        question(source, QStringLiteral("会计"), QStringLiteral("第%1题").arg(i), more);
    }
    click(button);
    const QString text = rightward ? kRight : QStringLiteral(")正在向左同步题目[timu]..");
    QCOMPARE(titles_.first(), QStringLiteral("0/1/连续相同0") + text);
    QCOMPARE(titles_.at(1), QStringLiteral("1/2/连续相同0") + text);
    QCOMPARE(form_->windowTitle(), (rightward ? QStringLiteral("向右") : QStringLiteral("向左")) +
                                       QStringLiteral("同步成功，共创建新题目:120(全部题库)"));
    const QString cols = QuestionColumns().join(u',');
    const QString order = QStringLiteral("timu order by QUESTION");
    QCOMPARE(rows(target, cols, order), rows(source, cols, order));
    // Newest first: the target's first new row is the source's last.
    QCOMPARE(rows(target, QStringLiteral("QUESTION"), QStringLiteral("timu where id = 1")),
             QStringList{QStringLiteral("第120题")});

    titles_.clear();
    click(button);
    QCOMPARE(form_->windowTitle(), QStringLiteral("0/101/连续相同100") + text +
                                       QStringLiteral(" - 连续相同101，程序已自动中止..."));
    QCOMPARE(count(target, QStringLiteral("timu")), 120);
    QVERIFY(platform_.boxes.isEmpty());
}

void tst_Form19::thresholds_data() {
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("created");
    QTest::newRow("zero stops after the first present question")
        << "0"
        << QString(QStringLiteral("0/1/连续相同0") + kRight +
                   QStringLiteral(" - 连续相同1，程序已自动中止..."))
        << 0;
    QTest::newRow("negative stops after the first question")
        << "-1"
        << QString(QStringLiteral("0/1/连续相同0") + kRight +
                   QStringLiteral(" - 连续相同0，程序已自动中止..."))
        << 1;
    QTest::newRow("not an integer stops nothing") << "十"
                                                  << "服务器之间同步数据" << 0;
}

void tst_Form19::thresholds() {
    QFETCH(QString, threshold);
    QFETCH(QString, title);
    QFETCH(int, created);
    for (const QString& q : {QStringLiteral("旧题"), QStringLiteral("老题")}) {
        question(*left_, QStringLiteral("会计"), q);
        question(*right_, QStringLiteral("会计"), q);
    }
    // The newest question decides: present for 0, missing for -1.
    question(*left_, QStringLiteral("会计"), QStringLiteral("新题"));
    if (threshold == u"0") question(*right_, QStringLiteral("会计"), QStringLiteral("新题"));
    setThreshold(threshold);
    click(QStringLiteral("Command4"));
    QCOMPARE(form_->windowTitle(), title);
    QCOMPARE(count(*right_, QStringLiteral("timu")), 2 + (threshold == u"0") + created);
    if (threshold == u"十")
        QCOMPARE(platform_.texts(),
                 QStringList{
                     QStringLiteral("自动停止的题目数必须是整数，现在是“十”。请改正后再同步。")});
}

void tst_Form19::sameEndpointOnBothSides() {
    for (int i = 0; i < 150; ++i) question(*left_, QStringLiteral("会计"), QString::number(i));
    put(*left_, QStringLiteral("users"), {{QStringLiteral("username"), QStringLiteral("张三")}});
    form_->findChild<QComboBox*>(QStringLiteral("Combo2"))->setEditText(leftEp_);
    click(QStringLiteral("Command4"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("0/101/连续相同100") + kRight +
                                       QStringLiteral(" - 连续相同101，程序已自动中止..."));
    click(QStringLiteral("Command1"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("同步成功，共创建新用户:0 共覆盖数据:0"));
    QCOMPARE(count(*left_, QStringLiteral("timu")), 150);
    QCOMPARE(count(*left_, QStringLiteral("users")), 1);
}

void tst_Form19::questionUnderAnotherBank() {
    question(*left_, QStringLiteral("会计"), QStringLiteral("共同的题"));
    question(*right_, QStringLiteral("审计"), QStringLiteral("共同的题"));
    question(*right_, QStringLiteral("税法"), QStringLiteral("共同的题"));
    click(QStringLiteral("Command8"));
    QCOMPARE(titles_.first(), QStringLiteral("0/1/连续相同0)正在向右同步题目题库名称[timu].."));
    QCOMPARE(form_->windowTitle(), QStringLiteral("向右同步题目题库名称成功，共搜索:1(全部题库)"));
    QCOMPARE(rows(*right_, QStringLiteral("mantype"), QStringLiteral("timu order by id")),
             (QStringList{QStringLiteral("会计"), QStringLiteral("税法")}));
    setThreshold(QStringLiteral("0"));
    click(QStringLiteral("Command8"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("0/1/连续相同0)正在向右同步题目题库名称[timu].. "
                                                  "- 连续相同1，共搜索:1，程序已自动中止..."));
    ResetDatabase(*right_);
    question(*right_, QStringLiteral("审计"), QStringLiteral("共同的题"));
    click(QStringLiteral("Command4"));
    QCOMPARE(rows(*right_, QStringLiteral("mantype"), QStringLiteral("timu order by id")),
             (QStringList{QStringLiteral("审计"), QStringLiteral("会计")}));
}

void tst_Form19::usersNewerEqualAndOneSided() {
    QVariantMap full;
    for (const QString& c : UserColumns()) full.insert(c, QString(QStringLiteral("左") + c));
    for (const char* n : {"exp", "buymoney", "gmoney"}) full.insert(QString::fromLatin1(n), 7);
    auto user = [&](Connection& c, const QString& name, const QString& stime, const QString& pass) {
        QVariantMap v = full;
        v[QStringLiteral("username")] = name;
        v[QStringLiteral("stime")] = stime;
        v[QStringLiteral("userpass")] = pass;
        put(c, QStringLiteral("users"), v);
    };
    user(*left_, QStringLiteral("newer"), QStringLiteral("2024-02-01 10:00:00"),
         QStringLiteral("new"));
    user(*right_, QStringLiteral("newer"), QStringLiteral("2024-01-01 10:00:00"),
         QStringLiteral("old"));
    user(*left_, QStringLiteral("equal"), QStringLiteral("2024-01-01 10:00:00"),
         QStringLiteral("L"));
    user(*right_, QStringLiteral("equal"), QStringLiteral("2024-01-01 10:00:00"),
         QStringLiteral("R"));
    user(*right_, QStringLiteral("rightonly"), QStringLiteral("2023-05-05 05:05:05"),
         QStringLiteral("r"));
    click(QStringLiteral("Command1"));
    const QString title = QStringLiteral("同步成功，共创建新用户:1 共覆盖数据:1");
    QCOMPARE(form_->windowTitle(), title);
    QCOMPARE(platform_.texts(), QStringList{title});
    QVERIFY(titles_.contains(QStringLiteral("0/1)正在向左同步用户创建新用户..")));
    QVERIFY(titles_.contains(QStringLiteral("0/1)正在向右同步用户比对数据覆盖..")));
    const QString cols = UserColumns().join(u',');
    const QString all = QStringLiteral("users order by username");
    QCOMPARE(rows(*right_, cols, QStringLiteral("users where username = 'newer'")),
             rows(*left_, cols, QStringLiteral("users where username = 'newer'")));
    QCOMPARE(rows(*left_, cols, QStringLiteral("users where username = 'rightonly'")),
             rows(*right_, cols, QStringLiteral("users where username = 'rightonly'")));
    QCOMPARE(rows(*left_, QStringLiteral("username,userpass"), all),
             (QStringList{QStringLiteral("equal|L"), QStringLiteral("newer|new"),
                          QStringLiteral("rightonly|r")}));
    QCOMPARE(rows(*right_, QStringLiteral("username,userpass"), all),
             (QStringList{QStringLiteral("equal|R"), QStringLiteral("newer|new"),
                          QStringLiteral("rightonly|r")}));
}

void tst_Form19::banksAndPurchasesKeepTargetSettings() {
    const QString X = QStringLiteral("会计"), Y = QStringLiteral("审计");
    auto bank = [](Connection& c, const QString& name, const QString& pass) {
        put(c, QStringLiteral("alltype"),
            {{QStringLiteral("mantype"), name},
             {QStringLiteral("buypass"), pass},
             {QStringLiteral("download"), 3}});
    };
    auto bought = [](Connection& c, const QString& b, const QString& u, int n) {
        put(c, QStringLiteral("buylist"),
            {{QStringLiteral("mantype"), b},
             {QStringLiteral("username"), u},
             {QStringLiteral("buynum"), n}});
    };
    bank(*left_, X, QStringLiteral("左"));
    bank(*left_, Y, QStringLiteral("左"));
    bank(*right_, X, QStringLiteral("右"));
    bought(*left_, X, QStringLiteral("甲"), 1);
    bought(*left_, X, QStringLiteral("乙"), 2);
    bought(*right_, X, QStringLiteral("甲"), 5);
    bought(*right_, Y, QStringLiteral("丙"), 9);
    click(QStringLiteral("Command2"));
    QCOMPARE(platform_.texts(),
             QStringList{QStringLiteral("向右同步成功，共创建新题库:1(题目记得同步)")});
    QCOMPARE(titles_.first(), QStringLiteral("0/1)正在向右同步题库名称列表alltype.."));
    click(QStringLiteral("Command3"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("向左同步成功，共创建新题库:0(题目记得同步)"));
    click(QStringLiteral("Command7"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("向右同步成功，共创建新购买题库记录:1"));
    click(QStringLiteral("Command6"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("向左同步成功，共创建新购买题库记录:1"));
    QCOMPARE(platform_.boxes.size(), 1);
    const QString banks = QStringLiteral("alltype order by mantype");
    QCOMPARE(rows(*right_, QStringLiteral("mantype,buypass,download"), banks),
             (QStringList{QStringLiteral("会计|右|3"), QStringLiteral("审计|左|3")}));
    const QString buys = QStringLiteral("buylist order by mantype, username");
    QCOMPARE(rows(*right_, QStringLiteral("mantype,username,buynum"), buys),
             (QStringList{QStringLiteral("会计|乙|2"), QStringLiteral("会计|甲|5"),
                          QStringLiteral("审计|丙|9")}));
    QCOMPARE(rows(*left_, QStringLiteral("mantype,username,buynum"), buys),
             rows(*right_, QStringLiteral("mantype,username,buynum"), buys)
                 .replaceInStrings(QStringLiteral("甲|5"), QStringLiteral("甲|1")));
}

void tst_Form19::specialKeysMatchOnlyThemselves() {
    const QStringList texts = {QStringLiteral("it's"), QStringLiteral("50%"),
                               QStringLiteral("a_c")};
    // Targets a wildcard would take for the sources.
    question(*right_, QStringLiteral("会计"), QStringLiteral("50 percent"));
    question(*right_, QStringLiteral("会计"), QStringLiteral("abc"));
    for (const QString& t : texts) question(*left_, QStringLiteral("会计"), t);
    question(*left_, QVariant(QMetaType(QMetaType::QString)), QStringLiteral("无题库"));
    put(*left_, QStringLiteral("users"),
        {{QStringLiteral("username"), QStringLiteral("o'neil_%")}});
    put(*left_, QStringLiteral("users"), {{QStringLiteral("userpass"), QStringLiteral("无名")}});
    put(*right_, QStringLiteral("users"),
        {{QStringLiteral("username"), QStringLiteral("o'neilX100")}});
    for (int run = 0; run < 2; ++run) {
        click(QStringLiteral("Command4"));
        QCOMPARE(form_->windowTitle(),
                 QStringLiteral("向右同步成功，共创建新题目:%1(全部题库)").arg(run ? 0 : 4));
        click(QStringLiteral("Command1"));
        QCOMPARE(form_->windowTitle(),
                 QStringLiteral("同步成功，共创建新用户:%1 共覆盖数据:0").arg(run ? 0 : 3));
    }
    QCOMPARE(count(*right_, QStringLiteral("timu")), 6);
    QCOMPARE(count(*right_, QStringLiteral("timu where mantype is null")), 1);
    QCOMPARE(count(*right_, QStringLiteral("users")), 3);
    QCOMPARE(count(*left_, QStringLiteral("users")), 3);
    QCOMPARE(platform_.texts().size(), 2);
}

void tst_Form19::rowsRepeatedInTheSourceAreCreatedOnce() {
    QFETCH_GLOBAL(int, backend);
    // Newest first: dup, dup, abc, Abc. The embedded server's LIKE ignores case.
    for (const char* q : {"Abc", "abc", "dup", "dup"})
        question(*left_, QStringLiteral("会计"), QString::fromLatin1(q));
    put(*left_, QStringLiteral("buylist"),
        {{QStringLiteral("mantype"), QStringLiteral("会计")},
         {QStringLiteral("username"), QStringLiteral("甲")}});
    put(*left_, QStringLiteral("buylist"),
        {{QStringLiteral("mantype"), QStringLiteral("会计")},
         {QStringLiteral("username"), QStringLiteral("甲")}});
    click(QStringLiteral("Command4"));
    const bool caseless = Backend(backend) == Backend::Sqlite;
    QCOMPARE(titles_.mid(0, 4), (QStringList{QStringLiteral("0/1/连续相同0") + kRight,
                                             QStringLiteral("1/2/连续相同0") + kRight,
                                             QStringLiteral("1/3/连续相同1") + kRight,
                                             QStringLiteral("2/4/连续相同0") + kRight}));
    QCOMPARE(form_->windowTitle(),
             QStringLiteral("向右同步成功，共创建新题目:%1(全部题库)").arg(caseless ? 2 : 3));
    click(QStringLiteral("Command7"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("向右同步成功，共创建新购买题库记录:1"));
}

void tst_Form19::takesNoInputWhileRunning() {
    for (int i = 0; i < 3; ++i) question(*left_, QStringLiteral("会计"), QString::number(i));
    auto* check = form_->findChild<QCheckBox*>(QStringLiteral("Check1"));
    onTitle_ = [&](const QString&) {
        QVERIFY(form_->isRunning());
        QTest::mouseClick(form_->findChild<QPushButton*>(QStringLiteral("Command2")),
                          Qt::LeftButton);
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::keyClick(form_->findChild<QLineEdit*>(QStringLiteral("Text1")), Qt::Key_5);
    };
    click(QStringLiteral("Command4"));
    onTitle_ = nullptr;
    QCOMPARE(form_->windowTitle(), QStringLiteral("向右同步成功，共创建新题目:3(全部题库)"));
    QVERIFY(platform_.boxes.isEmpty());
    QVERIFY(check->isChecked());
    QCOMPARE(form_->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("100"));
    QVERIFY(!form_->isRunning());
}

void tst_Form19::targetServerStopsMidPass() {
    QFETCH_GLOBAL(int, backend);
    if (Backend(backend) != Backend::PostgreSql) QSKIP("stopping a server needs a server process");
    const QString dir = QStringLiteral("/tmp/qs-pg-test-%1/right").arg(SplitEndpoint(leftEp_).port);
    const QString pgctl = QDir(QStringLiteral("/usr/lib/postgresql"))
                              .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                              .value(0);
    const QString bin =
        QStringLiteral("/usr/lib/postgresql/") + pgctl + QStringLiteral("/bin/pg_ctl");
    auto pg = [&](const QStringList& args) {
        QStringList all = {QStringLiteral("-u"), QStringLiteral("postgres"),
                           QStringLiteral("--"), bin,
                           QStringLiteral("-D"), dir};
        return QProcess::execute(QStringLiteral("runuser"), all + args);
    };
    for (int i = 0; i < 60; ++i) question(*left_, QStringLiteral("会计"), QString::number(i));
    right_.reset();
    onTitle_ = [&](const QString& t) {
        if (t.startsWith(QStringLiteral("30/31/")))
            pg({QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                QStringLiteral("stop")});
    };
    click(QStringLiteral("Command4"));
    onTitle_ = nullptr;
    QCOMPARE(pg({QStringLiteral("-w"), QStringLiteral("-l"), dir + QStringLiteral(".log"),
                 QStringLiteral("start")}),
             0);
    QCOMPARE(platform_.boxes.size(), 1);
    QVERIFY2(platform_.lastText().startsWith(QStringLiteral("同步出错，已中止")),
             qPrintable(platform_.lastText()));
    QCOMPARE(form_->windowTitle(), QStringLiteral("30/31/连续相同0") + kRight);
    click(QStringLiteral("Command4"));
    QVERIFY2(form_->windowTitle().startsWith(QStringLiteral("向右同步成功")),
             qPrintable(form_->windowTitle()));
    right_ = std::make_unique<Connection>();
    right_->open(ServerConnectionString(rightEp_), 10);
    QCOMPARE(count(*right_, QStringLiteral("timu")), 60);
    QCOMPARE(rows(*right_, QStringLiteral("count(distinct QUESTION)"), QStringLiteral("timu")),
             QStringList{QStringLiteral("60")});
}

QTEST_MAIN(tst_Form19)
#include "tst_Form19.moc"
