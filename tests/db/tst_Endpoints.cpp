#include <QRegularExpression>
#include <QTest>

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
    void settings_data();
    void settings();
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
}

void tst_Endpoints::settings() {
    QFETCH(QString, text);
    QFETCH(int, badLine);
    const LoadedSettings loaded = ParseServerSettings(text, u"servers.ini"_s);
    const bool full = !badLine && !text.isEmpty();
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

QTEST_GUILESS_MAIN(tst_Endpoints)
#include "tst_Endpoints.moc"
