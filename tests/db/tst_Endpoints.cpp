#include <QRegularExpression>
#include <QTest>

#include "db/Endpoints.h"
#include "db/ServerSettings.h"

using namespace qs;

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
    QTest::newRow("main with both digits") << QStringLiteral("主12") << "d1";
    QTest::newRow("typed endpoint with 主 and 1") << QStringLiteral("10.0.0.1,1433主") << "d1";
    QTest::newRow("typed endpoint") << QStringLiteral("db.example,1500") << "db.example,1500";
    QTest::newRow("备 without digit is typed")
        << QStringLiteral("备服务器") << QStringLiteral("备服务器");
    QTest::newRow("empty") << QString() << "127.0.0.1";
}

void tst_Endpoints::chooseEndpoint() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ChooseEndpoint(text, QStringLiteral("d1"), QStringLiteral("d2"), QStringLiteral("d3"),
                            QStringLiteral("d4")),
             expected);
}

void tst_Endpoints::serverLinesNeverHoldTheChoiceCharacters() {
    const QStringList names = {QStringLiteral("主服务器1线"), QStringLiteral("主服务器2线"),
                               QStringLiteral("备服务器1线"), QStringLiteral("备服务器2线")};
    QCOMPARE(ServerLineNames(), names);
    QCOMPARE(ServerLineEntries().size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QString entry = ServerLineEntries()[i];
        QVERIFY2(entry.startsWith(names[i] + QStringLiteral(" - ")), qPrintable(entry));
        const QString location = entry.mid(names[i].size() + 3);
        static const QRegularExpression choice(QStringLiteral("[12主备]"));
        QVERIFY2(!location.isEmpty() && !location.contains(choice), qPrintable(location));
    }
}

void tst_Endpoints::connectionStringsAreTheSystemsOwn() {
    QCOMPARE(ServerConnectionString(QStringLiteral("1.2.3.4,1433")).toUtf8(),
             QByteArray("driver={SQL Server};server=1.2.3.4,1433;uid=sa;pwd=573;database=ag2"));
    QCOMPARE(LocalConnectionString(QStringLiteral("/opt/青松")).toUtf8(),
             QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/青松\\anguidb.mdb;")
                 .toUtf8());
}

void tst_Endpoints::splitEndpoint() {
    QCOMPARE(SplitEndpoint(QStringLiteral("127.0.0.1,5432")).host, QStringLiteral("127.0.0.1"));
    QCOMPARE(SplitEndpoint(QStringLiteral("127.0.0.1,5432")).port, 5432);
    QCOMPARE(SplitEndpoint(QStringLiteral("dbhost")).port, -1);
    QCOMPARE(SplitEndpoint(QStringLiteral("dbhost,x")).port, -1);
}

void tst_Endpoints::settings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("errorPart");  // empty: parsed cleanly
    QTest::addColumn<QString>("main");
    QTest::addColumn<int>("backend");
    const QString def = ServerSettings::defaults().mainEndpoint;
    QTest::newRow("empty file") << QString() << QString() << def << int(Backend::SqlServer);
    QTest::newRow("full")
        << QString(QChar(0xFEFF)) +
               QStringLiteral(
                   "# comment\n[servers]\nbackend = sqlite\nmain = a,1\nbackup=a,2\n"
                   "sync3 = c,3\nadmin_name = 管理员\n")
        << QString() << QStringLiteral("a,1") << int(Backend::Sqlite);
    QTest::newRow("no equals sign") << QStringLiteral("backend = sqlite\nmain a,1\n")
                                    << QStringLiteral("第 2 行") << def << int(Backend::SqlServer);
    QTest::newRow("bad backend") << QStringLiteral("\n\nbackend = oracle\n")
                                 << QStringLiteral("第 3 行") << def << int(Backend::SqlServer);
    QTest::newRow("unknown key") << QStringLiteral("sync6 = x\n") << QStringLiteral("第 1 行")
                                 << def << int(Backend::SqlServer);
    QTest::newRow("unclosed section") << QStringLiteral("[servers\n") << QStringLiteral("第 1 行")
                                      << def << int(Backend::SqlServer);
}

void tst_Endpoints::settings() {
    QFETCH(QString, text);
    QFETCH(QString, errorPart);
    QFETCH(QString, main);
    QFETCH(int, backend);
    const LoadedSettings loaded = ParseServerSettings(text, QStringLiteral("servers.ini"));
    if (errorPart.isEmpty()) {
        QVERIFY2(loaded.error.isEmpty(), qPrintable(loaded.error));
    } else {
        QVERIFY2(loaded.error.contains(errorPart), qPrintable(loaded.error));
        QVERIFY(loaded.error.contains(QStringLiteral("servers.ini")));
    }
    QCOMPARE(loaded.settings.mainEndpoint, main);
    QCOMPARE(int(loaded.settings.backend), backend);
    QCOMPARE(loaded.settings.syncEndpoints.size(), 5);
}

QTEST_GUILESS_MAIN(tst_Endpoints)
#include "tst_Endpoints.moc"
