#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>

#include "TestEditor.h"
#include "db/Endpoints.h"
#include "login/ClickableLabel.h"
#include "login/Form1.h"
#include "login/LoginMessages.h"
#include "login/Md5.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The login window driven offscreen against a real server database (an
// embedded SQLite server or the PostgreSQL test server), the fake platform
// answering its boxes.
class tst_Form1 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void loadShowsTheWindowAndTheSavedLogin_data();
    void loadShowsTheWindowAndTheSavedLogin();
    void loginSucceeds_data();
    void loginSucceeds();
    void refusedLogins_data();
    void refusedLogins();
    void emptyStoredPassword_data();
    void emptyStoredPassword();
    void passwordLength_data();
    void passwordLength();
    void localPracticeModeTouchesNoDatabase();
    void closedServerEndsTheProgram_data();
    void closedServerEndsTheProgram();
    void connectionFailures_data();
    void connectionFailures();
    void markerFileSkipsTheConnectionTest();
    void nameBoxFilters();

    void registrationRefusesNames_data();
    void registrationRefusesNames();
    void registrationThenLogin_data();
    void registrationThenLogin();
    void registrationNotStored_data();
    void registrationNotStored();
    void registrationOnAClosedServer_data();
    void registrationOnAClosedServer();

    void linksAndClosing();

private:
    Form1& start();
    void seed();
    void addUser(const QString& name, const QString& userpass, const QString& timu);
    void exec(const QString& sql);
    QVariant value(const QString& sql);
    void writeConfig(const QString& text);
    void fill(const QString& name, const QString& password);
    void click(const char* button);
    template <class T>
    T* child(const char* name) {
        T* w = form_->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    bool buttonsEnabled() {
        return child<QPushButton>("Command1")->isEnabled() &&
               child<QPushButton>("Command2")->isEnabled();
    }
    QString lit(const QString& v) const { return SqlDialect(backend_).literal(v); }

    Backend backend_ = Backend::Sqlite;
    QString endpoint_;
    ServerSettings settings_;
    std::unique_ptr<TempProgramFolder> folder_;
    FakePlatform platform_;
    std::unique_ptr<TestEditor> editor_;
    std::unique_ptr<Form1> form_;
};

void tst_Form1::initTestCase_data() {
    AddBackendRows();
}

void tst_Form1::init() {
    QFETCH_GLOBAL(int, backend);
    backend_ = Backend(backend);
    folder_ = std::make_unique<TempProgramFolder>();
    platform_.clear();
    UseServerBackend(backend_, folder_->path());
    if (backend_ == Backend::PostgreSql) {
        endpoint_ = PgLeftEndpoint();
        ResetServer(endpoint_);
    } else {
        endpoint_ = u"db.test,1433"_s;
    }
    settings_ = ServerSettings::defaults();
    settings_.mainEndpoint = endpoint_;
}

void tst_Form1::cleanup() {
    form_.reset();
    editor_.reset();
    folder_.reset();
}

Form1& tst_Form1::start() {
    form_ =
        std::make_unique<Form1>(platform_, folder_->path(), settings_, [this]() -> EditorAccess* {
            if (!editor_) editor_ = std::make_unique<TestEditor>();
            return editor_.get();
        });
    form_->show();
    // The endpoint typed into the server combo, as an operator may.
    child<QComboBox>("Combo3")->setEditText(endpoint_);
    return *form_;
}

void tst_Form1::exec(const QString& sql) {
    Connection c;
    c.open(ServerConnectionString(endpoint_), 10, ado::adUseServer);
    c.execute(sql);
}

QVariant tst_Form1::value(const QString& sql) {
    Connection c;
    c.open(ServerConnectionString(endpoint_), 10, ado::adUseServer);
    return c.scalar(sql);
}

void tst_Form1::addUser(const QString& name, const QString& userpass, const QString& timu) {
    exec(u"insert into users (username, userpass, timu) values ("_s + lit(name) + u", "_s +
         lit(userpass) + u", "_s + lit(timu) + u")"_s);
}

void tst_Form1::seed() {
    for (const QString& bank : {u"会计基础"_s, u""_s, u"银行从业"_s})
        exec(u"insert into alltype (mantype) values ("_s + lit(bank) + u")"_s);
    exec(
        u"insert into conf (ver, adminlist, allonoff, offwhy, offtime) values "
        "('1.0', '张三,管理员', 1, '', '')"_s);
    addUser(u"张三"_s, MD5(u"secret"_s, 32), u"银行从业→12"_s);
    addUser(u"李四"_s, QString(), u"会计基础→3"_s);
    addUser(u"o'neil"_s, MD5(u"pw"_s, 32), u"银行从业→1"_s);
}

void tst_Form1::writeConfig(const QString& text) {
    folder_->write(u"config.txt"_s, text.toUtf8());
}

void tst_Form1::fill(const QString& name, const QString& password) {
    // The name first: changing it clears the password box.
    child<QLineEdit>("Text1")->setText(name);
    child<QLineEdit>("Text2")->setText(password);
}

void tst_Form1::click(const char* button) {
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
}

void tst_Form1::loadShowsTheWindowAndTheSavedLogin_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("name");
    const QString text =
        u"账号:张三\r\n密码:5ebe2294ecd0e0f08eab7690d2a6ee69\r\n进度:银行从业→12\r\n"_s;
    QTest::newRow("no config.txt") << QByteArray() << QString();
    QTest::newRow("UTF-8") << text.toUtf8() << u"张三"_s;
    QTest::newRow("code page 936")
        << QByteArray(QStringEncoder("GB18030").encode(text)) << u"张三"_s;
}

void tst_Form1::loadShowsTheWindowAndTheSavedLogin() {
    QFETCH(QByteArray, config);
    QFETCH(QString, name);
    if (!config.isNull()) folder_->write(u"config.txt"_s, config);
    Form1& f = start();
    const bool saved = !name.isEmpty();
    QCOMPARE(f.windowTitle(), u"青松考典 登录青松录入双开器"_s);
    QCOMPARE(child<QLineEdit>("Text1")->text(), name);
    QCOMPARE(child<QLineEdit>("Text2")->text(),
             saved ? u"5ebe2294ecd0e0f08eab7690d2a6ee69"_s : QString());
    QCOMPARE(child<QLineEdit>("Text2")->echoMode(), QLineEdit::Password);
    QCOMPARE(f.state().usertimu, saved ? u"银行从业→12"_s : QString());
    QCOMPARE(f.state().username, name);
    QCOMPARE((QStringList{f.state().download1, f.state().download2, f.state().download3,
                          f.state().download4, f.state().ser1, f.state().mdbfold}),
             (QStringList{endpoint_, endpoint_, settings_.backupEndpoint, settings_.backupEndpoint,
                          endpoint_, endpoint_}));
    QCOMPARE(f.state().online1, 1);
    auto* combo = child<QComboBox>("Combo3");
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->itemText(0), ServerLineEntries().at(0));
    const QStringList controls = {u"Command1"_s, u"Command2"_s, u"Label9"_s, u"Label8"_s,
                                  u"Label7"_s,   u"Label6"_s,   u"Label5"_s, u"Label4"_s,
                                  u"Label3"_s,   u"Label2"_s,   u"Label1"_s};
    const QStringList texts = {
        u"登录"_s,       u"直接注册并登录"_s,
        u"[软件官网]"_s, u"选服务器:"_s,
        u"登录"_s,       u"(服务器繁忙，软件卡住无响应是正常现象，请耐心等待)"_s,
        QString(),       u"用户密码:"_s,
        u"可用中文"_s,   u"用户名字:"_s,
        u"青松考典"_s};
    for (int i = 0; i < controls.size(); ++i)
        QCOMPARE(f.findChild<QWidget*>(controls[i])->property("text").toString(), texts[i]);
    QVERIFY(f.findChild<QLabel*>(u"Image1"_s));
    QCOMPARE(child<QLabel>("Label2")->buddy(), child<QLineEdit>("Text1"));
    QCOMPARE(child<QLabel>("Label8")->buddy(), child<QComboBox>("Combo3"));
}

void tst_Form1::loginSucceeds_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("savedProgress");
    QTest::addColumn<bool>("greeted");
    QTest::addColumn<QString>("bankText");
    QTest::addColumn<QString>("how");  // the button, or the box Enter is typed in
    QTest::newRow("no saved progress, by the server line")
        << u"张三"_s << QString() << true << u"银行从业"_s << u"Command1"_s;
    QTest::newRow("saved progress equal")
        << u"张三"_s << u"银行从业→12"_s << true << u"银行从业"_s << u"Text1"_s;
    QTest::newRow("saved progress differs")
        << u"张三"_s << u"会计基础→1"_s << false << u"银行从业"_s << u"Text2"_s;
    QTest::newRow("progress without arrow")
        << u"赵六"_s << QString() << true << u"本机题库"_s << u"Command1"_s;
    QTest::newRow("apostrophe in the name")
        << u"o'neil"_s << QString() << true << u"银行从业"_s << u"Command1"_s;
}

void tst_Form1::loginSucceeds() {
    QFETCH(QString, name);
    QFETCH(QString, savedProgress);
    QFETCH(bool, greeted);
    QFETCH(QString, bankText);
    QFETCH(QString, how);
    seed();
    addUser(u"赵六"_s, MD5(u"secret"_s, 32), u"第一章"_s);
    exec(u"update users set userpass = "_s + lit(MD5(u"secret"_s, 32)) + u" where username = "_s +
         lit(u"o'neil"_s));
    if (!savedProgress.isEmpty()) writeConfig(u"进度:"_s + savedProgress);
    Form1& f = start();
    if (QString::fromLatin1(QTest::currentDataTag()).contains(u"server line"_s))
        child<QComboBox>("Combo3")->setCurrentIndex(0);
    fill(name, u"secret"_s);
    if (how.startsWith(u"Text"_s))
        QTest::keyClick(f.findChild<QLineEdit*>(how), Qt::Key_Return);
    else
        click("Command1");

    const QString timu =
        value(u"select timu from users where username = "_s + lit(name)).toString();
    QCOMPARE(platform_.texts(), greeted ? QStringList{msg::LoginSucceeded(timu)} : QStringList{});
    QVERIFY(editor_);
    QCOMPARE(editor_->shown, 1);
    QVERIFY(f.isHidden());
    QCOMPARE(f.windowTitle(), u"已登录:"_s + name);
    QCOMPARE(
        (QStringList{f.state().username, f.state().userpass, f.state().usertimu,
                     f.state().adminlist, f.state().ser1, f.state().mdbfold}),
        (QStringList{name, MD5(u"secret"_s, 32), timu, u"张三,管理员"_s, endpoint_, endpoint_}));
    QCOMPARE(f.state().online1, 1);
    // The server's banks, newest name first, in front of the editor's own.
    QCOMPARE(editor_->banks(), (QStringList{u"银行从业"_s, u"会计基础"_s, u"本机题库"_s}));
    QCOMPARE(editor_->Combo1->currentText(), bankText);
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
}

void tst_Form1::refusedLogins_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("passwordAfter");
    QTest::newRow("wrong password") << u"张三"_s << u"wrong"_s << msg::WrongPassword() << QString();
    QTest::newRow("unregistered") << u"无名氏"_s << u"secret"_s << msg::Unregistered(u"无名氏"_s)
                                  << MD5(u"secret"_s, 32);
    // Pasted raw into the query this name would find o'neil by a wildcard.
    const QString widening = u"zz' or username like 'o_neil"_s;
    QTest::newRow("name that would widen the query")
        << widening << u"pw"_s << msg::Unregistered(widening) << MD5(u"pw"_s, 32);
    QTest::newRow("empty name") << QString() << u"pw"_s << msg::EmptyName() << u"pw"_s;
    QTest::newRow("empty password") << u"张三"_s << QString() << msg::EmptyPassword() << QString();
}

void tst_Form1::refusedLogins() {
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(QString, passwordAfter);
    seed();
    Form1& f = start();
    fill(name, password);
    click("Command1");
    QCOMPARE(platform_.texts(), QStringList{message});
    QVERIFY(buttonsEnabled());
    QVERIFY(f.isVisible());
    QVERIFY(!editor_ || editor_->shown == 0);
    QCOMPARE(child<QLineEdit>("Text2")->text(), passwordAfter);
}

void tst_Form1::emptyStoredPassword_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("yes stores the digest") << int(Answer::Yes);
    QTest::newRow("no keeps it empty") << int(Answer::No);
}

void tst_Form1::emptyStoredPassword() {
    QFETCH(int, answer);
    seed();
    Form1& f = start();
    fill(u"李四"_s, u"new1"_s);
    platform_.answer(Answer(answer));
    click("Command1");
    QCOMPARE(platform_.boxes.size(), 2);
    QCOMPARE(platform_.boxes[0].text, msg::SavePasswordQuestion());
    QCOMPARE(platform_.boxes[0].caption, u"是否保存密码"_s);
    QCOMPARE(platform_.boxes[0].buttons, Buttons::YesNo);
    QCOMPARE(platform_.boxes[1].text, msg::LoginSucceeded(u"会计基础→3"_s));
    const QString stored = Answer(answer) == Answer::Yes ? MD5(u"new1"_s, 32) : QString();
    QCOMPARE(value(u"select userpass from users where username = '李四'"_s).toString(), stored);
    QCOMPARE(f.state().userpass, stored);
    QCOMPARE(editor_->shown, 1);
}

void tst_Form1::passwordLength_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("succeeds");
    const QString p29 = QString(29, u'p');
    const QString q30 = QString(30, u'q');
    QTest::newRow("29 characters are digested") << MD5(p29, 32) << p29 << true;
    QTest::newRow("30 characters are sent as they are") << q30 << q30 << true;
    QTest::newRow("30 characters are not digested") << MD5(q30, 32) << q30 << false;
    QTest::newRow("restored digest") << MD5(u"secret"_s, 32) << MD5(u"secret"_s, 32) << true;
}

void tst_Form1::passwordLength() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, succeeds);
    seed();
    addUser(u"钱七"_s, stored, u"会计基础→7"_s);
    start();
    fill(u"钱七"_s, typed);
    click("Command1");
    QCOMPARE(platform_.lastText(),
             succeeds ? msg::LoginSucceeded(u"会计基础→7"_s) : msg::WrongPassword());
    QCOMPARE(editor_->shown, succeeds ? 1 : 0);
}

void tst_Form1::localPracticeModeTouchesNoDatabase() {
    Form1& f = start();
    fill(u"本地"_s, QString());
    click("Command1");
    QVERIFY(platform_.boxes.isEmpty());
    QCOMPARE(editor_->shown, 1);
    QVERIFY(f.isHidden());
    QCOMPARE(f.state().username, u"本地"_s);
    QCOMPARE(f.state().online1, 0);
    QCOMPARE(f.state().mdbfold, folder_->path() + u"\\"_s);
    QVERIFY(!QFile::exists(folder_->file(u"anguidb.mdb"_s)));
    QVERIFY(QDir(folder_->file(u"servers"_s)).isEmpty());
}

void tst_Form1::closedServerEndsTheProgram_data() {
    QTest::addColumn<QString>("allonoff");  // SQL value
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("textValue");  // only an embedded server stores text there
    QTest::newRow("0") << u"0"_s << true << false;
    QTest::newRow("NULL") << u"NULL"_s << false << false;
    // Not comparable with 0: the failing test goes on as if it held.
    QTest::newRow("text that is no number") << u"'abc'"_s << true << true;
}

void tst_Form1::closedServerEndsTheProgram() {
    QFETCH(QString, allonoff);
    QFETCH(bool, closed);
    QFETCH(bool, textValue);
    if (textValue && backend_ != Backend::Sqlite) QSKIP("the column holds numbers only");
    seed();
    exec(u"update conf set allonoff = "_s + allonoff +
         u", offwhy = '升级题库', offtime = '2026-12-08 20:00'"_s);
    Form1& f = start();
    fill(u"张三"_s, u"secret"_s);
    click("Command1");
    QCOMPARE(f.state().adminlist, u"张三,管理员"_s);
    if (!closed) {
        QCOMPARE(platform_.texts(), QStringList{msg::LoginSucceeded(u"银行从业→12"_s)});
        QCOMPARE(platform_.quits, 0);
        return;
    }
    QCOMPARE(platform_.texts(),
             QStringList{u"【服务器拒绝连接】\r\n\r\n■原因:升级题库。■关闭时间:2026-12-08 20:00"
                         "\r\n\r\n■服务器正在维护，请稍后再试。"_s});
    QCOMPARE(platform_.quits, 1);
    QVERIFY(!editor_ || editor_->shown == 0);
}

void tst_Form1::connectionFailures_data() {
    QTest::addColumn<QString>("endpoint");  // empty: the test server
    QTest::addColumn<bool>("marker");
    QTest::addColumn<QString>("message");
    QTest::newRow("unreachable server")
        << u"127.0.0.1,1"_s << false
        << u"【青松考典】 尝试连接服务器失败(3704[数据库无法连接] 题库0)，"
           "建议尝试连接另一个地址的服务器，请重试一下登录。"_s;
    QTest::newRow("server without banks") << QString() << false << msg::ConnectionFailed(0, 0);
    // Without the connection test: no status row was read, so the server is
    // not taken as closed, and an account that could not be looked up is a
    // connection failure, not an unknown account.
    QTest::newRow("marker file, unreachable server")
        << u"127.0.0.1,1"_s << true << msg::ConnectionFailed(3709, 0);
}

void tst_Form1::connectionFailures() {
    QFETCH(QString, endpoint);
    QFETCH(bool, marker);
    QFETCH(QString, message);
    if (!endpoint.isEmpty() && backend_ != Backend::PostgreSql)
        QSKIP("an embedded server is always reachable");
    seed();
    exec(u"delete from alltype"_s);
    if (marker) folder_->write(u"本地库.txt"_s, QByteArray());
    Form1& f = start();
    if (!endpoint.isEmpty()) child<QComboBox>("Combo3")->setEditText(endpoint);
    fill(u"张三"_s, u"secret"_s);
    click("Command1");
    QCOMPARE(platform_.texts(), QStringList{message});
    QCOMPARE(platform_.quits, 0);
    QVERIFY(buttonsEnabled());
    QVERIFY(f.isVisible());
    QVERIFY(!editor_);
    QCOMPARE(f.state().ser1, endpoint.isEmpty() ? endpoint_ : endpoint);
}

void tst_Form1::markerFileSkipsTheConnectionTest() {
    seed();
    // Without the connection test an empty bank table does not stop the login.
    exec(u"delete from alltype"_s);
    folder_->write(u"本地库.txt"_s, QByteArray());
    Form1& f = start();
    fill(u"张三"_s, u"secret"_s);
    click("Command1");
    QCOMPARE(platform_.texts(), QStringList{msg::LoginSucceeded(u"银行从业→12"_s)});
    QCOMPARE(editor_->shown, 1);
    QCOMPARE(f.state().online1, 1);
    QCOMPARE(f.state().adminlist, u"张三,管理员"_s);
}

void tst_Form1::nameBoxFilters() {
    writeConfig(u"账号:张三\n密码:5ebe2294ecd0e0f08eab7690d2a6ee69\n"_s);
    start();
    auto* name = child<QLineEdit>("Text1");
    auto* password = child<QLineEdit>("Text2");
    QCOMPARE(password->text(), u"5ebe2294ecd0e0f08eab7690d2a6ee69"_s);
    name->setText(u"ab"_s);
    QVERIFY(password->text().isEmpty());  // a changed name clears a restored password
    password->setText(u"pw"_s);
    name->setFocus();
    name->setCursorPosition(1);
    QTest::keyClicks(name, u","_s);
    QCOMPARE(name->text(), u"ab"_s);
    QCOMPARE(name->cursorPosition(), 0);
    QVERIFY(password->text().isEmpty());
    name->setText(u"王五《》"_s);
    QCOMPARE(name->text(), u"王五"_s);
    name->setText(u"o'neil.x"_s);  // registration refuses these, the filter does not
    QCOMPARE(name->text(), u"o'neil.x"_s);
}

void tst_Form1::registrationRefusesNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("reserved") << u"本地"_s << u"pw"_s << msg::ReservedName();
    QTest::newRow("empty") << QString() << u"pw"_s << msg::EmptyNewName();
    QTest::newRow("33 characters") << QString(33, u'名') << u"pw"_s << msg::NameTooLong();
    QTest::newRow("empty password") << u"新人"_s << QString() << msg::EmptyPassword();
    QTest::newRow("full stop") << u"a.b"_s << u"pw"_s << msg::IllegalNameCharacter();
    QTest::newRow("apostrophe") << u"o'neil"_s << u"pw"_s << msg::IllegalNameCharacter();
    QTest::newRow("vertical bar") << u"a|b"_s << u"pw"_s << msg::IllegalNameCharacter();
}

void tst_Form1::registrationRefusesNames() {
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    start();
    fill(name, password);
    click("Command2");
    QCOMPARE(platform_.texts(), QStringList{message});
    QVERIFY(buttonsEnabled());
    QVERIFY(QDir(folder_->file(u"servers"_s)).isEmpty());
}

void tst_Form1::registrationThenLogin_data() {
    QTest::addColumn<bool>("marker");
    QTest::newRow("connection test") << false;
    // Registration leaves local file mode, which the skipped test keeps: the
    // account is still looked up on the chosen server.
    QTest::newRow("marker file") << true;
}

void tst_Form1::registrationThenLogin() {
    QFETCH(bool, marker);
    seed();
    writeConfig(u"进度:会计基础→5\n"_s);
    if (marker) folder_->write(u"本地库.txt"_s, QByteArray());
    Form1& f = start();
    const QString name = QString(32, u'王');  // the longest name allowed
    fill(name, u"wang123"_s);
    platform_.answer(Answer::Yes);
    click("Command2");
    QCOMPARE(platform_.texts(),
             (QStringList{msg::ConfirmRegistration(name, u"wang123"_s), msg::Registered()}));
    QCOMPARE(platform_.boxes[0].caption, u"注册新用户"_s);
    QCOMPARE(platform_.boxes[0].buttons, Buttons::YesNo);
    const QString where = u" from users where username = "_s + lit(name);
    QCOMPARE(value(u"select userpass"_s + where).toString(), MD5(u"wang123"_s, 32));
    QCOMPARE(value(u"select timu"_s + where).toString(), u"会计基础→5"_s);
    QCOMPARE(f.windowTitle(), u"已登录:"_s + name);
    QCOMPARE(f.state().username, name);
    QCOMPARE(f.state().userpass, MD5(u"wang123"_s, 32));
    QCOMPARE(f.state().online1, 0);
    QVERIFY(f.isVisible());
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
    QCOMPARE(editor_->shown, 0);

    // Enter logs the new account in with the digest left in the box.
    platform_.clear();
    QTest::keyClick(child<QLineEdit>("Text2"), Qt::Key_Return);
    QCOMPARE(platform_.texts(), QStringList{msg::LoginSucceeded(u"会计基础→5"_s)});
    QCOMPARE(editor_->shown, 1);
    QCOMPARE(f.state().online1, marker ? 0 : 1);
    QCOMPARE(editor_->Combo1->currentText(), u"会计基础"_s);
}

void tst_Form1::registrationNotStored_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("after");  // the message after the confirmation
    QTest::addColumn<QString>("passwordAfter");
    QTest::newRow("name taken") << u"张三"_s << int(Answer::Yes) << msg::NameTaken()
                                << MD5(u"other"_s, 32);
    QTest::newRow("declined") << u"新人"_s << int(Answer::No) << QString() << u"other"_s;
}

void tst_Form1::registrationNotStored() {
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(QString, after);
    QFETCH(QString, passwordAfter);
    seed();
    Form1& f = start();
    fill(name, u"other"_s);
    platform_.answer(Answer(answer));
    click("Command2");
    QStringList expected{msg::ConfirmRegistration(name, u"other"_s)};
    if (!after.isEmpty()) expected << after;
    QCOMPARE(platform_.texts(), expected);
    QVERIFY(buttonsEnabled());
    QCOMPARE(f.state().online1, 0);
    QCOMPARE(child<QLineEdit>("Text2")->text(), passwordAfter);
    QCOMPARE(
        value(u"select count(*) from users where userpass = "_s + lit(MD5(u"other"_s, 32))).toInt(),
        0);
}

void tst_Form1::registrationOnAClosedServer_data() {
    QTest::addColumn<bool>("administrator");
    QTest::addColumn<QString>("adminName");
    QTest::newRow("operator") << false << ServerSettings::defaults().adminName;
    QTest::newRow("administrator") << true << ServerSettings::defaults().adminName;
    // An empty setting must not match an empty saved name.
    QTest::newRow("no administrator configured") << false << QString();
}

void tst_Form1::registrationOnAClosedServer() {
    QFETCH(bool, administrator);
    QFETCH(QString, adminName);
    settings_.adminName = adminName;
    seed();
    exec(u"update conf set allonoff = 0, offwhy = '升级', offtime = '今晚'"_s);
    if (administrator) writeConfig(u"账号:"_s + settings_.adminName + u"\n"_s);
    start();
    fill(u"新人"_s, u"pw"_s);
    platform_.answer(Answer::Yes);
    click("Command2");
    const int added = value(u"select count(*) from users where username = '新人'"_s).toInt();
    if (administrator) {
        QCOMPARE(platform_.lastText(), msg::Registered());
        QCOMPARE(added, 1);
        return;
    }
    QCOMPARE(platform_.texts(),
             QStringList{u"【服务器拒绝连接】\r\n\r\n■原因:升级。■关闭时间:今晚\r\n\r\n"
                         "■服务器正在维护，请稍后再试，站长"_s +
                         settings_.adminPhone + u"。"_s});
    QCOMPARE(platform_.quits, 1);
    QCOMPARE(added, 0);
}

void tst_Form1::linksAndClosing() {
    Form1& f = start();
    QTest::mouseClick(child<ClickableLabel>("Label9"), Qt::LeftButton);
    QTest::mouseClick(child<ClickableLabel>("Label10"), Qt::LeftButton);
    QCOMPARE(platform_.texts(), (QStringList{msg::OpeningWebPage(), msg::OpeningWebPage()}));
    QCOMPARE(platform_.urls, (QStringList{Form1::downloadPageUrl(), Form1::shopPageUrl()}));
    QCOMPARE(platform_.quits, 0);
    f.close();
    QCOMPARE(platform_.quits, 1);
}

QTEST_MAIN(tst_Form1)
#include "tst_Form1.moc"
