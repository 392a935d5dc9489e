#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/ServerSettings.h"

using namespace qs;
using namespace Qt::StringLiterals;

class tst_Endpoints : public QObject {
    Q_OBJECT
private slots:
    void chooseEndpoint_data();
    void chooseEndpoint();
    void serverLinesNeverHoldTheChoiceCharacters();
    void connectionStringsAreTheSystemsOwn();
    void splitEndpoint();
    void endpointProblem_data();
    void endpointProblem();
    void settings_data();
    void settings();
    void readmeExampleLoads();
    void embeddedServersNeverShareAFile();
};

void tst_Endpoints::chooseEndpoint_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QStringList entries = ServerLineEntries();
    QTest::newRow("main 1") << entries[0] << "d1";
    QTest::newRow("main 2") << entries[1] << "d2";
    QTest::newRow("backup 1") << entries[2] << "d3";
    QTest::newRow("backup 2") << entries[3] << "d4";
    // Rules apply in order: "主" and "1" wins over "2".
    QTest::newRow("main with both digits") << u"主12"_s << "d1";
    QTest::newRow("typed endpoint with 主 and 1") << u"10.0.0.1,1433主"_s << "d1";
    QTest::newRow("typed endpoint") << u"db.example,1500"_s << "db.example,1500";
    QTest::newRow("备 without digit is typed") << u"备服务器"_s << u"备服务器"_s;
    QTest::newRow("empty") << QString() << "127.0.0.1";
}

void tst_Endpoints::chooseEndpoint() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ChooseEndpoint(text, u"d1"_s, u"d2"_s, u"d3"_s, u"d4"_s), expected);
}

void tst_Endpoints::serverLinesNeverHoldTheChoiceCharacters() {
    const QStringList names = {u"主服务器1线"_s, u"主服务器2线"_s, u"备服务器1线"_s,
                               u"备服务器2线"_s};
    QCOMPARE(ServerLineNames(), names);
    QCOMPARE(ServerLineEntries().size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QString entry = ServerLineEntries()[i];
        QVERIFY2(entry.startsWith(names[i] + u" - "_s), qPrintable(entry));
        const QString location = entry.mid(names[i].size() + 3);
        static const QRegularExpression choice(u"[12主备]"_s);
        QVERIFY2(!location.isEmpty() && !location.contains(choice), qPrintable(location));
    }
}

void tst_Endpoints::connectionStringsAreTheSystemsOwn() {
    QCOMPARE(ServerConnectionString(u"1.2.3.4,1433"_s).toUtf8(),
             QByteArray("driver={SQL Server};server=1.2.3.4,1433;uid=sa;pwd=573;database=ag2"));
    QCOMPARE(LocalConnectionString(u"/opt/青松"_s).toUtf8(),
             u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/青松\\anguidb.mdb;"_s.toUtf8());
}

void tst_Endpoints::splitEndpoint() {
    QCOMPARE(SplitEndpoint(u"127.0.0.1,5432"_s).host, u"127.0.0.1"_s);
    QCOMPARE(SplitEndpoint(u"127.0.0.1,5432"_s).port, 5432);
    QCOMPARE(SplitEndpoint(u"dbhost"_s).port, -1);
    QCOMPARE(SplitEndpoint(u"dbhost,x"_s).port, -1);
}

void tst_Endpoints::endpointProblem_data() {
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("problem");  // a part of the message; empty: usable
    QTest::newRow("host and port") << u"127.0.0.1,1433"_s << QString();
    QTest::newRow("bare host") << u"db.example"_s << QString();
    QTest::newRow("named instance") << u"db\\SQL2008"_s << QString();
    const QString signs = u"不能含有 ; { } = 这些符号"_s;
    QTest::newRow("switch to a local file") << u"x;provider=p;data source=/tmp/f.mdb"_s << signs;
    QTest::newRow("braces") << u"{SQL Server}"_s << signs;
    QTest::newRow("equals") << u"a=b"_s << signs;
    QTest::newRow("letter in the port") << u"127.0.0.1,5974l"_s << u"的端口“5974l”无效"_s;
    QTest::newRow("empty port") << u"127.0.0.1,"_s << u"的端口“”无效"_s;
    QTest::newRow("port out of range") << u"127.0.0.1,65536"_s << u"的端口“65536”无效"_s;
    QTest::newRow("port 0") << u"127.0.0.1,0"_s << u"的端口“0”无效"_s;
    QTest::newRow("two commas") << u"a,1,2"_s << u"不完整"_s;
    QTest::newRow("no host") << u",1433"_s << u"不完整"_s;
}

void tst_Endpoints::endpointProblem() {
    QFETCH(QString, endpoint);
    QFETCH(QString, problem);
    const QString message = EndpointProblem(endpoint);
    QVERIFY2(message.isEmpty() == problem.isEmpty(), qPrintable(message));
    if (problem.isEmpty()) return;
    // The message names the endpoint as typed.
    QVERIFY2(message.startsWith(u"服务器地址“"_s + endpoint + u"”"_s) && message.contains(problem),
             qPrintable(message));
    // The connection refuses it too, before trying to connect.
    try {
        Connection c;
        c.open(ServerConnectionString(endpoint), 1);
        QFAIL("opened");
    } catch (const DbError& e) {
        QVERIFY2(e.text().contains(endpoint), qPrintable(e.text()));
    }
}

void tst_Endpoints::settings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("badLine");  // 0: parsed cleanly
    QTest::newRow("empty file") << QString() << 0;
    QTest::newRow("full") << QString(QChar(0xFEFF)) +
                                 u"# comment\n[servers]\nbackend = sqlite\nmain = a,1\nbackup=a,2\n"
                                 "sync3 = c,3\nadmin_name = 管理员\n"_s
                          << 0;
    QTest::newRow("no equals sign") << u"backend = sqlite\nmain a,1\n"_s << 2;
    QTest::newRow("bad backend") << u"\n\nbackend = oracle\n"_s << 3;
    QTest::newRow("unknown key") << u"sync6 = x\n"_s << 1;
    QTest::newRow("unclosed section") << u"[servers\n"_s << 1;
    QTest::newRow("comments after values")
        << u"backend = sqlite   # embedded\nmain = a,1\t; both main lines\nsync2 = b,2 #\n"_s << 0;
    QTest::newRow("bad endpoint") << u"backend = sqlite\nbackup = x;provider=p\n"_s << 2;
    QTest::newRow("bad port") << u"sync4 = 127.0.0.1,5974l\n"_s << 1;
}

void tst_Endpoints::settings() {
    QFETCH(QString, text);
    QFETCH(int, badLine);
    const LoadedSettings loaded = ParseServerSettings(text, u"servers.ini"_s);
    const bool full = !badLine && !text.isEmpty();
    if (QTest::currentDataTag() == QByteArray("comments after values"))
        QCOMPARE(loaded.settings.syncEndpoints[1], u"b,2"_s);
    if (badLine) {
        // A malformed file: a message naming the file and line, and the defaults.
        QVERIFY2(loaded.error.contains(u"第 %1 行"_s.arg(badLine)) &&
                     loaded.error.contains(u"servers.ini"_s),
                 qPrintable(loaded.error));
    } else {
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
    }
    QCOMPARE(loaded.settings.mainEndpoint,
             full ? u"a,1"_s : ServerSettings::defaults().mainEndpoint);
    QCOMPARE(loaded.settings.backend, full ? Backend::Sqlite : Backend::SqlServer);
    QCOMPARE(loaded.settings.syncEndpoints.size(), 5);
}

// The example the README shows is a file of the repository, and it loads as it stands.
void tst_Endpoints::readmeExampleLoads() {
    const QString path = QFINDTESTDATA("../../packaging/servers.ini.example");
    QFile example(path), readme(QFINDTESTDATA("../../README.md"));
    QVERIFY(example.open(QIODevice::ReadOnly) && readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(example.readAll());
    QString indented;
    for (const QString& line : text.trimmed().split(u'\n')) indented += u"    "_s + line + u"\n"_s;
    QVERIFY(QString::fromUtf8(readme.readAll()).contains(indented));
    const LoadedSettings parsed = ParseServerSettings(text, path);
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    QCOMPARE(parsed.settings.backend, Backend::SqlServer);
    QCOMPARE((QStringList{parsed.settings.mainEndpoint, parsed.settings.backupEndpoint} +
              parsed.settings.syncEndpoints),
             (QStringList{u"203.0.113.5,1433"_s, u"203.0.113.5,1434"_s, u"203.0.113.5,1433"_s,
                          u"203.0.113.5,1434"_s, u"198.51.100.7,1433"_s, u"198.51.100.7,1434"_s,
                          u"127.0.0.1,1433"_s}));
    QCOMPARE((QStringList{parsed.settings.adminName, parsed.settings.adminPhone}),
             (QStringList{u"站长"_s, u"13800138000"_s}));
}

// Every endpoint has a file of its own: "srv%1", "srv_1" and "srv 1" are three servers, and so
// are two names that differ in a character beyond the basic plane.
void tst_Endpoints::embeddedServersNeverShareAFile() {
    const QStringList files = {
        EmbeddedServerFile(u"srv%1"_s),         EmbeddedServerFile(u"srv_1"_s),
        EmbeddedServerFile(u"srv 1"_s),         EmbeddedServerFile(u"srv1"_s),
        EmbeddedServerFile(u"srv\U0001F600"_s), EmbeddedServerFile(u"srv\U0001F601"_s)};
    QCOMPARE(QSet<QString>(files.begin(), files.end()).size(), 6);
    QVERIFY(EmbeddedServerFile(u"127.0.0.1,1433"_s).endsWith(u"/127.0.0.1,1433.sqlite"_s));
}

QTEST_GUILESS_MAIN(tst_Endpoints)
#include "tst_Endpoints.moc"
