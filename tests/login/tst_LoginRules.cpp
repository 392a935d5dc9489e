#include <QStringEncoder>
#include <QTest>

#include "db/SqlDialect.h"
#include "login/LoginMessages.h"
#include "login/LoginQueries.h"
#include "login/NameFilter.h"
#include "login/RegistrationRules.h"
#include "login/SavedLogin.h"

using namespace qs;
using namespace Qt::StringLiterals;

class tst_LoginRules : public QObject {
    Q_OBJECT
private slots:
    void nameFilter_data();
    void nameFilter();
    void registrationRules_data();
    void registrationRules();
    void savedLogin_data();
    void savedLogin();
    void savedLoginDecoding_data();
    void savedLoginDecoding();
    void queryTexts();
    void connectionFailedMessage();
};

void tst_LoginRules::nameFilter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("comma between letters") << "a,b"
                                           << "ab";
    QTest::newRow("book-title brackets") << "张三《》"
                                         << "张三";
    QTest::newRow("full-width signs") << "李，四？｛￥"
                                      << "李四";
    QTest::newRow("curly quotes") << "‘王’“五”"
                                  << "王五";
    QTest::newRow("ASCII punctuation") << "a\"b:c~d!e#f$g%h^i&j*k(l)m=n+o\\p/q?r[s{t]u}v;w>x<y`z"
                                       << "abcdefghijklmnopqrstuvwxyz";
    QTest::newRow("line break") << "赵\r\n六"
                                << "赵六";
    QTest::newRow("lone CR and LF stay") << "a\rb\nc"
                                         << "a\rb\nc";
    // Removing the backquote joins CR and LF; the box filters again.
    QTest::newRow("joined line break") << "a\r`\nb"
                                       << "ab";
    QTest::newRow("kept characters") << "Tom O'Neil-2_x.y|z 中"
                                     << "Tom O'Neil-2_x.y|z 中";
}

void tst_LoginRules::nameFilter() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(FilterUserName(typed), kept);
    QCOMPARE(FilteredNameTexts().size(), 37);
}

void tst_LoginRules::registrationRules_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    const QString illegal = msg::IllegalNameCharacter();
    QTest::newRow("reserved name first") << "本地"
                                         << "" << msg::ReservedName();
    QTest::newRow("empty name before empty password") << ""
                                                      << "" << msg::EmptyNewName();
    QTest::newRow("32 characters pass") << QStringLiteral("名").repeated(32) << "pw" << QString();
    QTest::newRow("33 characters")
        << QStringLiteral("名").repeated(33) << "pw" << msg::NameTooLong();
    QTest::newRow("too long before empty password")
        << QStringLiteral("x").repeated(33) << "" << msg::NameTooLong();
    QTest::newRow("empty password") << "张三"
                                    << "" << msg::EmptyPassword();
    QTest::newRow("empty password before bad character") << "a.b"
                                                         << "" << msg::EmptyPassword();
    for (const QString& c :
         {QStringLiteral(","), QStringLiteral("="), QStringLiteral("+"), QStringLiteral("("),
          QStringLiteral(")"), QStringLiteral("~"), QStringLiteral("'"), QStringLiteral("!"),
          QStringLiteral(":"), QStringLiteral("["), QStringLiteral("]"), QStringLiteral("{"),
          QStringLiteral("}"), QStringLiteral("/"), QStringLiteral("?"), QStringLiteral("."),
          QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("|")})
        QTest::newRow(qPrintable(QStringLiteral("refused ") + c))
            << QStringLiteral("ab") + c + QStringLiteral("cd") << "pw" << illegal;
    QTest::newRow("full-width colon is allowed") << "王：五"
                                                 << "pw" << QString();
    QTest::newRow("hyphen and underscore are allowed") << "a-b_c"
                                                       << "pw" << QString();
}

void tst_LoginRules::registrationRules() {
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QCOMPARE(RegistrationProblem(name, password), message);
}

void tst_LoginRules::savedLogin_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");  // username, userpass, usertimu
    QTest::newRow("typical")
        << "账号:张三\r\n密码:0123456789abcdef0123456789abcdef\r\n进度:银行从业→12\r\n"
        << QStringList{u"张三"_s, u"0123456789abcdef0123456789abcdef"_s, u"银行从业→12"_s};
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

void tst_LoginRules::savedLoginDecoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("账号:张三\r\n进度:银行从业→12\r\n");
    QStringEncoder gbk("GB18030");
    QTest::newRow("UTF-8") << text.toUtf8();
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("code page 936") << QByteArray(gbk.encode(text));
}

void tst_LoginRules::savedLoginDecoding() {
    QFETCH(QByteArray, bytes);
    const SavedLogin s = ParseSavedLogin(DecodeSavedLoginText(bytes));
    QCOMPARE(s.username, QStringLiteral("张三"));
    QCOMPARE(s.usertimu, QStringLiteral("银行从业→12"));
}

void tst_LoginRules::queryTexts() {
    const SqlDialect sqlServer(Backend::SqlServer);
    QCOMPARE(BankCountQuery(), QStringLiteral("select * from alltype"));
    QCOMPARE(ServerStatusQuery(), QStringLiteral("select * from conf"));
    QCOMPARE(BankListQuery(), QStringLiteral("select * from alltype order by mantype desc "));
    QCOMPARE(AccountQuery(sqlServer, QStringLiteral("张三")),
             QStringLiteral("select * from users where username='张三' "));
    // The name stays one literal: the quote is doubled, nothing widens the query.
    QCOMPARE(AccountQuery(sqlServer, QStringLiteral("x' or '1'='1")),
             QStringLiteral("select * from users where username='x'' or ''1''=''1' "));
}

void tst_LoginRules::connectionFailedMessage() {
    // The window tests meet 3704 and 0; a broken link is marked too.
    QVERIFY(msg::ConnectionFailed(3043, 0).contains(u"失败(3043[磁盘或网络错误] 题库0)，"_s));
    QVERIFY(msg::ConnectionFailed(-2147467259, 2).contains(u"失败(-2147467259 题库2)，"_s));
}

QTEST_APPLESS_MAIN(tst_LoginRules)
#include "tst_LoginRules.moc"
