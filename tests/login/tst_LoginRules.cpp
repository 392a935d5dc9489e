#include <QTest>

#include "db/SqlDialect.h"
#include "login/LoginMessages.h"
#include "login/LoginQueries.h"
#include "login/RegistrationRules.h"
#include "login/SavedLogin.h"

using namespace qs;
using namespace Qt::StringLiterals;

// The rules the login window's tests cannot reach through its boxes, and the
// query texts.
class tst_LoginRules : public QObject {
    Q_OBJECT
private slots:
    void registrationRefusesWhatTheNameBoxFilters();
    void savedLogin_data();
    void savedLogin();
    void queryTexts();
    void connectionFailedMessage();
};

// The name box removes these as they are typed; a name that got past it is
// still refused.
void tst_LoginRules::registrationRefusesWhatTheNameBoxFilters() {
    for (const QChar c : u",=+()~!:[]{}/?<>"_s)
        QVERIFY2(RegistrationProblem(u"ab"_s + c + u"cd"_s, u"pw"_s) == msg::IllegalNameCharacter(),
                 qPrintable(QString(c)));
}

void tst_LoginRules::savedLogin_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");  // username, userpass, usertimu
    QTest::newRow("LF only, no final break")
        << "进度:会计\n账号:李四" << QStringList{u"李四"_s, u""_s, u"会计"_s};
    QTest::newRow("first key of a line wins")
        << "账号:王五 密码:x" << QStringList{u"王五 密码:x"_s, u""_s, u""_s};
    // The keys are tested in their order, not by where they stand.
    QTest::newRow("name key tested before an earlier password key")
        << "密码:x 账号:y" << QStringList{u"y"_s, u""_s, u""_s};
    QTest::newRow("value ends at a second key")
        << "账号:甲账号:乙" << QStringList{u"甲"_s, u""_s, u""_s};
    QTest::newRow("key anywhere in the line")
        << "前缀 账号:丙" << QStringList{u"丙"_s, u""_s, u""_s};
    QTest::newRow("later line overrides")
        << "账号:甲\n账号:乙" << QStringList{u"乙"_s, u""_s, u""_s};
    QTest::newRow("full-width colon is no key")
        << "账号：甲\n其他" << QStringList{u""_s, u""_s, u""_s};
    QTest::newRow("empty") << "" << QStringList{u""_s, u""_s, u""_s};
}

void tst_LoginRules::savedLogin() {
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    const SavedLogin s = ParseSavedLogin(text);
    QCOMPARE((QStringList{s.username, s.userpass, s.usertimu}), expected);
}

void tst_LoginRules::queryTexts() {
    const SqlDialect sqlServer(Backend::SqlServer);
    QCOMPARE(BankCountQuery(), QStringLiteral("select * from alltype"));
    QCOMPARE(ServerStatusQuery(), QStringLiteral("select * from conf"));
    QCOMPARE(BankListQuery(), QStringLiteral("select * from alltype order by mantype desc "));
    QCOMPARE(AccountQuery(sqlServer, QStringLiteral("张三")),
             QStringLiteral("select * from users where username=N'张三' "));
    // The name stays one literal: the quote is doubled, nothing widens the query.
    QCOMPARE(AccountQuery(sqlServer, QStringLiteral("x' or '1'='1")),
             QStringLiteral("select * from users where username=N'x'' or ''1''=''1' "));
}

void tst_LoginRules::connectionFailedMessage() {
    // The window tests meet 3704 and 0; a broken link is marked too.
    QVERIFY(msg::ConnectionFailed(3043, 0).contains(u"失败(3043[磁盘或网络错误] 题库0)，"_s));
    QVERIFY(msg::ConnectionFailed(-2147467259, 2).contains(u"失败(-2147467259 题库2)，"_s));
}

QTEST_APPLESS_MAIN(tst_LoginRules)
#include "tst_LoginRules.moc"
