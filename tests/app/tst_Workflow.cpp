#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "widgets/FitText.h"
#include "db/Endpoints.h"
#include "editor/Form11.h"
#include "widgets/MultiLineTextBox.h"
#include "widgets/ClickableLabel.h"
#include "login/Form1.h"
#include "support/ClippedText.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"
#include "sync/Form19.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The road of one question through the three windows, wired as the program
// wires them: log in, add the question to the server and the local file,
// then copy it to a second server from the synchronisation window. The
// desktop's font is large: no window may cut a text.
class tst_Workflow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(true); }
    void cleanup() {
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }
    void oneQuestionFromLoginToTheSecondServer();
};

namespace {

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

int count(Connection& c, const char* table) {
    return c.scalar(u"select count(*) from "_s + QLatin1String(table)).toInt();
}

int serverCount(const QString& endpoint, const char* table) {
    Connection c;
    OpenServer(c, endpoint);
    return count(c, table);
}

}  // namespace

void tst_Workflow::oneQuestionFromLoginToTheSecondServer() {
    QFETCH_GLOBAL(int, backend);
    TempProgramFolder folder;
    UseServerBackend(Backend(backend), folder.path());
    const bool pg = Backend(backend) == Backend::PostgreSql;
    const QString left = pg ? PgLeftEndpoint() : u"main,1"_s;
    const QString right = pg ? PgRightEndpoint() : u"backup,2"_s;

    ServerSettings settings = ServerSettings::defaults();
    settings.backend = Backend(backend);
    settings.mainEndpoint = left;
    settings.backupEndpoint = right;
    settings.syncEndpoints = {left, right, right, left, left};
    if (!pg) CreateEmbeddedServers({left, right});
    ResetServer(right);
    Connection server;
    OpenServer(server, left);
    ResetDatabase(server);
    server.execute(u"insert into conf (ver, adminlist, allonoff) values ('1', '站长,小李', 1)"_s);
    // The password 123456 as its stored digest.
    server.execute(
        u"insert into users (username, userpass, timu) values "
        "('站长', 'e10adc3949ba59abbe56e057f20f883e', ''), "
        "('访客', 'e10adc3949ba59abbe56e057f20f883e', '')"_s);
    server.execute(u"insert into alltype (mantype) values ('驾驶员题库')"_s);
    server.close();
    QFont large = QApplication::font();
    large.setPointSize(16);
    QApplication::setFont(large);

    FakePlatform platform;
    std::unique_ptr<Form11> editor;
    Form1* loginWindow = nullptr;
    QString syncTitle;
    auto openSync = [&](QWidget* owner) {
        Form19 sync(loginWindow->state(), platform, settings, owner);
        GrowFixedWindowToFitText(&sync);
        QCOMPARE(ClippedTexts(&sync), QStringList());
        QCOMPARE(child<QComboBox>(&sync, "Combo1")->currentText(), left);
        child<QComboBox>(&sync, "Combo2")->setEditText(right);
        QTest::mouseClick(child<QPushButton>(&sync, "Command4"), Qt::LeftButton);
        syncTitle = sync.windowTitle();
    };
    Form1 login(platform, folder.path(), settings, [&]() -> EditorAccess* {
        if (!editor)
            editor = std::make_unique<Form11>(loginWindow->state(), platform, folder.path(),
                                              settings, openSync);
        return editor.get();
    });
    loginWindow = &login;
    login.show();
    QCOMPARE(ClippedTexts(&login).join(u"; "_s), QString());

    // An operator's mistyped password first: the editor that opens is the administrator's,
    // with each bank once from the server and once from its own list.
    for (const QString& password : {u"654321"_s, u"123456"_s}) {
        child<QLineEdit>(&login, "Text1")->setText(password == u"654321"_s ? u"访客"_s : u"站长"_s);
        child<QLineEdit>(&login, "Text2")->setText(password);
        QTest::mouseClick(child<QPushButton>(&login, "Command1"), Qt::LeftButton);
    }
    QVERIFY2(editor, qPrintable(platform.texts().join(u'|')));
    QVERIFY(editor->isVisible() && !login.isVisible());
    QCOMPARE(child<QLineEdit>(editor.get(), "adder")->text(), u"站长"_s);
    QVERIFY(child<QPushButton>(editor.get(), "Command2")->isVisible());
    auto* banks = child<QComboBox>(editor.get(), "Combo1");
    QCOMPARE(banks->count(), 2);
    QCOMPARE(banks->itemText(1), u"驾驶员题库"_s);
    QCOMPARE(ClippedTexts(editor.get()), QStringList());

    child<QComboBox>(editor.get(), "Combo1")->setEditText(u"驾驶员题库"_s);
    child<QCheckBox>(editor.get(), "Check1")->setChecked(true);
    child<MultiLineTextBox>(editor.get(), "timu")->setText(u"红灯亮时应当怎样?"_s);
    for (const char* box : {"SA", "SB", "SC", "SD"})
        child<QLineEdit>(editor.get(), box)->setText(QString::fromLatin1(box) + u"选项"_s);
    child<QLineEdit>(editor.get(), "answer")->setText(u"A"_s);
    platform.clear();
    QTest::mouseClick(child<QPushButton>(editor.get(), "Command1"), Qt::LeftButton);
    QVERIFY2(platform.lastText().startsWith(u"成功添加题目 1、"_s),
             qPrintable(platform.texts().join(u'|')));
    QCOMPARE(serverCount(left, "timu"), 1);
    Connection local;
    local.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    QCOMPARE(count(local, "timu"), 1);

    QTest::mouseClick(child<ClickableLabel>(editor.get(), "Label31"), Qt::LeftButton);
    QCOMPARE(syncTitle, u"向右同步成功，共创建新题目:1(全部题库)"_s);
    QCOMPARE(serverCount(right, "timu"), 1);
}

QTEST_MAIN(tst_Workflow)
#include "tst_Workflow.moc"
