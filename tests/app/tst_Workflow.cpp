#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "editor/Form11.h"
#include "editor/MultiLineTextBox.h"
#include "login/ClickableLabel.h"
#include "login/Form1.h"
#include "sync/Form19.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

// The road of one question through the three windows, wired as the program
// wires them: log in, add the question to the server and the local file,
// then copy it to a second server from the synchronisation window.
class tst_Workflow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void oneQuestionFromLoginToTheSecondServer();
};

namespace {

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

int count(const QString& connectionString, const QString& table) {
    Connection c;
    c.open(connectionString, 10, ado::adUseServer);
    Recordset rs;
    rs.open(QStringLiteral("select * from ") + table, c);
    return rs.recordCount();
}

}  // namespace

void tst_Workflow::oneQuestionFromLoginToTheSecondServer() {
    QFETCH_GLOBAL(int, backend);
    TempProgramFolder folder;
    UseServerBackend(Backend(backend), folder.path());
    const bool pg = Backend(backend) == Backend::PostgreSql;
    const QString left = pg ? PgLeftEndpoint() : QStringLiteral("main,1");
    const QString right = pg ? PgRightEndpoint() : QStringLiteral("backup,2");

    ServerSettings settings = ServerSettings::defaults();
    settings.backend = Backend(backend);
    settings.mainEndpoint = left;
    settings.backupEndpoint = right;
    settings.syncEndpoints = {left, right, right, left, left};
    {
        ResetServer(right);
        Connection c;
        c.open(ServerConnectionString(left), 10, ado::adUseServer);
        ResetDatabase(c);
        c.execute(QStringLiteral("insert into conf (ver, adminlist, allonoff) values ('1', '站长,小李', 1)"));
        // The password 123456 as its stored digest.
        c.execute(QStringLiteral("insert into users (username, userpass, timu) values "
                                 "('站长', 'e10adc3949ba59abbe56e057f20f883e', '')"));
        c.execute(QStringLiteral("insert into alltype (mantype) values ('驾驶员题库')"));
    }

    FakePlatform platform;
    std::unique_ptr<Form11> editor;
    Form1* loginWindow = nullptr;
    QString syncTitle;
    auto openSync = [&](QWidget* owner) {
        Form19 sync(loginWindow->state(), platform, settings, owner);
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

    child<QLineEdit>(&login, "Text1")->setText(QStringLiteral("站长"));
    child<QLineEdit>(&login, "Text2")->setText(QStringLiteral("123456"));
    QTest::mouseClick(child<QPushButton>(&login, "Command1"), Qt::LeftButton);
    QVERIFY2(editor, qPrintable(platform.texts().join(u'|')));
    QVERIFY(editor->isVisible());
    QVERIFY(!login.isVisible());
    QCOMPARE(login.state().username, QStringLiteral("站长"));
    QVERIFY(child<QComboBox>(editor.get(), "Combo1")->findText(QStringLiteral("驾驶员题库")) >= 0);

    child<QComboBox>(editor.get(), "Combo1")->setEditText(QStringLiteral("驾驶员题库"));
    child<QCheckBox>(editor.get(), "Check1")->setChecked(true);
    child<MultiLineTextBox>(editor.get(), "timu")->setText(QStringLiteral("红灯亮时应当怎样?"));
    child<QLineEdit>(editor.get(), "SA")->setText(QStringLiteral("停车等待"));
    child<QLineEdit>(editor.get(), "SB")->setText(QStringLiteral("加速通过"));
    child<QLineEdit>(editor.get(), "SC")->setText(QStringLiteral("鸣笛"));
    child<QLineEdit>(editor.get(), "SD")->setText(QStringLiteral("倒车"));
    child<QLineEdit>(editor.get(), "answer")->setText(QStringLiteral("A"));
    platform.clear();
    QTest::mouseClick(child<QPushButton>(editor.get(), "Command1"), Qt::LeftButton);
    QVERIFY2(platform.lastText().startsWith(QStringLiteral("成功添加题目 1、")),
             qPrintable(platform.texts().join(u'|')));
    QCOMPARE(count(ServerConnectionString(left), QStringLiteral("timu")), 1);
    QCOMPARE(count(LocalConnectionString(folder.path()), QStringLiteral("timu")), 1);
    QCOMPARE(count(ServerConnectionString(left), QStringLiteral("rizi")), 1);

    QTest::mouseClick(child<ClickableLabel>(editor.get(), "Label31"), Qt::LeftButton);
    QCOMPARE(syncTitle, QStringLiteral("向右同步成功，共创建新题目:1(全部题库)"));
    QCOMPARE(count(ServerConnectionString(right), QStringLiteral("timu")), 1);
}

QTEST_MAIN(tst_Workflow)
#include "tst_Workflow.moc"
