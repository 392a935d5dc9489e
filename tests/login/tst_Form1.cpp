#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "db/Connection.h"
#include "db/Endpoints.h"
#include "login/EditorAccess.h"
#include "login/Form1.h"
#include "login/LoginMessages.h"
#include "login/Md5.h"
#include "support/FakePlatform.h"
#include "support/SqlServerStandIn.h"
#include "support/TestDatabases.h"
#include "widgets/ClickableLabel.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// One press of a login window button, on the seeded test server.
struct Attempt {
    QString name = u"张三"_s;
    QString password = u"secret"_s;
    QString how = u"Command1"_s;  // the button, or the box Enter is typed in
    QString config = {};          // config.txt
    QString prepare = {};         // a statement run on the server after seeding
    bool marker = false;          // 本地库.txt
    QString endpoint = {};        // typed into Combo3 instead of the test server
    std::optional<Answer> answer = {};
    QString adminName = ServerSettings::defaults().adminName;
    std::optional<Backend> onlyOn = {};
    bool codePage936 = false;  // the SQL Server database's code page
    int failedBefore = 0;      // wrong passwords typed for 张三 (an administrator) first
    bool held = false;         // the server holds the accounts table for 2 s (PostgreSQL)
};
Q_DECLARE_METATYPE(Attempt)

// Stands in for the editor: its bank combo Combo1 starts with the editor's
// own list, in front of which the login puts the server's.
struct TestEditor : EditorAccess {
    void insertBank(int index, const QString& name) override { banks.insert(index, name); }
    void setBankText(const QString& text) override { bankText = text; }
    void showEditor() override { ++shown; }
    QStringList banks{u"本机题库"_s};
    QString bankText = banks.first();
    int shown = 0;
    QString createdFor;  // the user name in the login state when the editor loaded
};

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
    void localPracticeModeTouchesNoDatabase();
    void nameBoxFilters_data();
    void nameBoxFilters();

    void registrationRefusesNames_data();
    void registrationRefusesNames();
    void registration_data();
    void registration();

    void linksAndClosing();

private:
    Form1& start();
    Form1& attempt(const Attempt& a);
    QVariant sql(const QString& text);
    template <class T>
    T* child(const char* name) {
        T* w = form_->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    void fill(const QString& name, const QString& password) {
        // The name first: changing it clears the password box.
        child<QLineEdit>("Text1")->setText(name);
        child<QLineEdit>("Text2")->setText(password);
    }
    bool buttonsEnabled() {
        return child<QPushButton>("Command1")->isEnabled() &&
               child<QPushButton>("Command2")->isEnabled();
    }
    // A literal of the test's own statements (on the stand-in: its SQLite file).
    QString lit(const QString& v) const {
        return SqlDialect(backend_ == Backend::SqlServer ? Backend::Sqlite : backend_).literal(v);
    }

    Backend backend_ = Backend::Sqlite;
    QString endpoint_;
    ServerSettings settings_;
    std::unique_ptr<TempProgramFolder> folder_;
    FakePlatform platform_;
    std::unique_ptr<TestEditor> editor_;
    std::unique_ptr<Form1> form_;
    // Firings of a 10 ms timer of the window's thread while the server held
    // the login (Attempt::held).
    int ticksWhileHeld_ = 0;
};

namespace {
const QString kSecret = MD5(u"secret"_s, 32);
const QString kClosed = u"update conf set allonoff = 0, offwhy = '升级', offtime = '今晚'"_s;
const QString kClosedMessage = u"【服务器拒绝连接】\r\n\r\n■原因:升级。■关闭时间:今晚\r\n\r\n"_s;
}  // namespace

void tst_Form1::initTestCase_data() {
    AddBackendRows(true);
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
        CreateEmbeddedServers({endpoint_});
    }
    settings_ = ServerSettings::defaults();
    settings_.mainEndpoint = endpoint_;
}

void tst_Form1::cleanup() {
    form_.reset();
    editor_.reset();
    folder_.reset();
    SqlServerStandIn::setCodePage936(false);
    const QString faults = SqlServerFaults();
    QVERIFY2(faults.isEmpty(), qPrintable(faults));
}

Form1& tst_Form1::start() {
    form_ =
        std::make_unique<Form1>(platform_, folder_->path(), settings_, [this]() -> EditorAccess* {
            if (!editor_) {
                editor_ = std::make_unique<TestEditor>();
                editor_->createdFor = form_->state().username;
            }
            return editor_.get();
        });
    form_->show();
    // The endpoint typed into the server combo, as an operator may.
    child<QComboBox>("Combo3")->setEditText(endpoint_);
    return *form_;
}

QVariant tst_Form1::sql(const QString& text) {
    Connection c;
    OpenServer(c, endpoint_);
    return c.scalar(text);
}

Form1& tst_Form1::attempt(const Attempt& a) {
    for (const QString& bank : {u"会计基础"_s, u""_s, u"银行从业"_s})
        sql(u"insert into alltype (mantype) values ("_s + lit(bank) + u")"_s);
    sql(u"insert into conf (ver, adminlist, allonoff, offwhy, offtime) values "
        "('1.0', '张三,管理员', 1, '', '')"_s);
    const QString q30(30, u'q');
    const QList<QStringList> users = {{u"张三"_s, kSecret, u"银行从业→12"_s},
                                      {u"李四"_s, QString(), u"会计基础→3"_s},
                                      {u"o'neil"_s, kSecret, u"银行从业→1"_s},
                                      {u"赵六"_s, kSecret, u"第一章"_s},
                                      {u"钱七"_s, MD5(QString(29, u'p'), 32), u"会计基础→7"_s},
                                      {u"孙八"_s, q30, u"会计基础→8"_s},
                                      {u"周九"_s, MD5(q30, 32), u"会计基础→9"_s},
                                      {u"小明😀"_s, kSecret, u"银行从业→2"_s}};
    for (const QStringList& u : users)
        sql(u"insert into users (username, userpass, timu) values ("_s + lit(u[0]) + u", "_s +
            lit(u[1]) + u", "_s + lit(u[2]) + u")"_s);
    if (!a.prepare.isEmpty()) sql(a.prepare);
    if (!a.config.isEmpty()) folder_->write(u"config.txt"_s, a.config.toUtf8());
    if (a.marker) folder_->write(u"本地库.txt"_s, QByteArray());
    SqlServerStandIn::setCodePage936(a.codePage936);
    settings_.adminName = a.adminName;
    Form1& f = start();
    if (!a.endpoint.isEmpty()) child<QComboBox>("Combo3")->setEditText(a.endpoint);
    for (int i = 0; i < a.failedBefore; ++i) {
        fill(u"张三"_s, u"wrong"_s);
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    }
    platform_.clear();
    fill(a.name, a.password);
    if (a.answer) platform_.answer(*a.answer);
    // A second session locks the accounts for 2 s; the window's timer counts
    // what it fires meanwhile.
    using Clock = std::chrono::steady_clock;
    std::promise<void> locked;
    Clock::time_point released = Clock::now();
    std::thread holder;
    QList<Clock::time_point> ticks;
    QTimer timer;
    if (a.held) {
        holder = std::thread([&] {
            Connection c;
            OpenServer(c, endpoint_);
            c.beginTransaction();
            c.execute(u"lock table users in access exclusive mode"_s);
            locked.set_value();
            std::this_thread::sleep_for(std::chrono::seconds(2));
            released = Clock::now();
            c.commit();
        });
        locked.get_future().wait();
        QObject::connect(&timer, &QTimer::timeout, [&] { ticks << Clock::now(); });
        timer.start(10);
    }
    const Clock::time_point clicked = Clock::now();
    if (a.how.startsWith(u"Text"_s))
        QTest::keyClick(f.findChild<QLineEdit*>(a.how), Qt::Key_Return);
    else
        QTest::mouseClick(f.findChild<QPushButton*>(a.how), Qt::LeftButton);
    if (holder.joinable()) holder.join();
    ticksWhileHeld_ = int(std::count_if(ticks.begin(), ticks.end(), [&](Clock::time_point t) {
        return t > clicked && t < released;
    }));
    return f;
}

void tst_Form1::loadShowsTheWindowAndTheSavedLogin_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("localFile");  // 0 present, 1 missing, 2 empty: the operator is asked
    QTest::addColumn<bool>("create");    // the answer
    const QString text =
        u"账号:张三\r\n密码:5ebe2294ecd0e0f08eab7690d2a6ee69\r\n进度:银行从业→12\r\n"_s;
    QTest::newRow("no config.txt") << QByteArray() << QString() << 0 << false;
    QTest::newRow("UTF-8") << text.toUtf8() << u"张三"_s << 0 << false;
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + text.toUtf8() << u"张三"_s << 0 << false;
    QTest::newRow("code page 936")
        << QByteArray(QStringEncoder("GB18030").encode(text)) << u"张三"_s << 0 << false;
    QTest::newRow("no local file, Yes creates it") << QByteArray() << QString() << 1 << true;
    QTest::newRow("no local file, No leaves it") << QByteArray() << QString() << 1 << false;
    QTest::newRow("empty local file, Yes") << QByteArray() << QString() << 2 << true;
}

void tst_Form1::loadShowsTheWindowAndTheSavedLogin() {
    QFETCH(QByteArray, config);
    QFETCH(QString, name);
    QFETCH(int, localFile);
    QFETCH(bool, create);
    if (!config.isNull()) folder_->write(u"config.txt"_s, config);
    const QString local = folder_->file(u"anguidb.mdb"_s);
    if (localFile) QFile::remove(local);
    if (localFile == 2) folder_->write(u"anguidb.mdb"_s, QByteArray());
    if (localFile) platform_.answer(create ? Answer::Yes : Answer::No);
    Form1& f = start();
    QTest::qWait(1);  // the question comes once the window shows
    QCOMPARE(platform_.texts(),
             localFile ? QStringList{msg::CreateLocalFileQuestion(local, localFile == 2)}
                       : QStringList{});
    if (localFile) QCOMPARE(platform_.boxes[0].caption, u"是否新建本地数据库"_s);
    QCOMPARE(QFileInfo(local).size() > 0, !localFile || create);
    if (!localFile || create) {
        Connection c;
        c.open(LocalConnectionString(folder_->path()), 0, ado::adUseClient);
        QCOMPARE(c.scalar(u"select count(*) from timu"_s).toInt(), 0);
    }
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
    QStringList texts;
    for (const char* c : {"Command1", "Command2", "Label9", "Label8", "Label7", "Label6", "Label5",
                          "Label4", "Label3", "Label2", "Label1"})
        texts << child<QWidget>(c)->property("text").toString();
    QCOMPARE(texts, (QStringList{u"登录"_s, u"直接注册并登录"_s, u"[软件官网]"_s, u"选服务器:"_s,
                                 u"登录"_s, u"(服务器繁忙，软件卡住无响应是正常现象，请耐心等待)"_s,
                                 QString(), u"用户密码:"_s, u"可用中文"_s, u"用户名字:"_s,
                                 u"青松考典"_s}));
    QVERIFY(f.findChild<QLabel*>(u"Image1"_s));
    QCOMPARE(child<QLabel>("Label2")->buddy(), child<QLineEdit>("Text1"));
    QCOMPARE(child<QLabel>("Label8")->buddy(), child<QComboBox>("Combo3"));
}

void tst_Form1::loginSucceeds_data() {
    QTest::addColumn<Attempt>("a");
    QTest::addColumn<bool>("greeted");
    QTest::addColumn<QString>("bankText");
    const QString bank = u"银行从业"_s, other = u"会计基础"_s;
    QTest::newRow("no saved progress, by the server line")
        << Attempt{.endpoint = ServerLineEntries().at(0)} << true << bank;
    QTest::newRow("saved progress equal, Enter in the name")
        << Attempt{.how = u"Text1"_s, .config = u"进度:银行从业→12"_s} << true << bank;
    QTest::newRow("saved progress differs, Enter in the password")
        << Attempt{.how = u"Text2"_s, .config = u"进度:会计基础→1"_s} << false << bank;
    QTest::newRow("progress without arrow") << Attempt{.name = u"赵六"_s} << true << u"本机题库"_s;
    QTest::newRow("apostrophe in the name") << Attempt{.name = u"o'neil"_s} << true << bank;
    // Outside code page 936, which the SQL Server database may use.
    QTest::newRow("name outside the database's code page")
        << Attempt{.name = u"小明😀"_s, .codePage936 = true} << true << bank;
    QTest::newRow("29 characters are digested")
        << Attempt{.name = u"钱七"_s, .password = QString(29, u'p')} << true << other;
    QTest::newRow("30 characters are sent as they are")
        << Attempt{.name = u"孙八"_s, .password = QString(30, u'q')} << true << other;
    QTest::newRow("restored digest") << Attempt{.password = kSecret} << true << bank;
    QTest::newRow("empty stored password, yes stores the digest")
        << Attempt{.name = u"李四"_s, .password = u"new1"_s, .answer = Answer::Yes} << true
        << other;
    QTest::newRow("empty stored password, no keeps it empty")
        << Attempt{.name = u"李四"_s, .password = u"new1"_s, .answer = Answer::No} << true << other;
    // Without the connection test an empty bank table does not stop the login.
    QTest::newRow("marker file skips the connection test")
        << Attempt{.prepare = u"delete from alltype"_s, .marker = true} << true << bank;
    QTest::newRow("server status NULL is open")
        << Attempt{.prepare = u"update conf set allonoff = NULL"_s} << true << bank;
    // A status that cannot be read is no reason to turn the operator away, like a conf
    // query that fails. Only an embedded server stores text there.
    QTest::newRow("server status text that is no number")
        << Attempt{.prepare = kClosed + u", allonoff = 'abc'"_s, .onlyOn = Backend::Sqlite} << true
        << bank;
    QTest::newRow("server status column missing")
        << Attempt{.prepare = u"alter table conf drop column allonoff"_s, .onlyOn = Backend::Sqlite}
        << true << bank;
    // The editor loads for the account that logs in, with each server bank once in front.
    QTest::newRow("after two failed attempts by an administrator")
        << Attempt{.name = u"赵六"_s, .failedBefore = 2} << true << u"本机题库"_s;
    // The window answers while the server keeps the login waiting.
    QTest::newRow("server holds the accounts for 2 s")
        << Attempt{.onlyOn = Backend::PostgreSql, .held = true} << true << bank;
}

void tst_Form1::loginSucceeds() {
    QFETCH(Attempt, a);
    QFETCH(bool, greeted);
    QFETCH(QString, bankText);
    if (a.onlyOn && *a.onlyOn != backend_) QSKIP("not possible with this server backend");
    Form1& f = attempt(a);
    QCOMPARE(editor_->createdFor, a.name);
    const QString where = u" from users where username = "_s + lit(a.name);
    const QString timu = sql(u"select timu"_s + where).toString();
    const QString stored = sql(u"select userpass"_s + where).toString();
    QStringList expected;
    if (a.answer) expected << msg::SavePasswordQuestion();
    if (greeted) expected << msg::LoginSucceeded(timu);
    QCOMPARE(platform_.texts(), expected);
    if (a.answer) {
        QCOMPARE(platform_.boxes[0].caption, u"是否保存密码"_s);
        QCOMPARE(platform_.boxes[0].buttons, Buttons::YesNo);
        QCOMPARE(stored, a.answer == Answer::Yes ? MD5(a.password, 32) : QString());
    }
    QCOMPARE(platform_.quits, 0);
    QVERIFY(editor_);
    QCOMPARE(editor_->shown, 1);
    QVERIFY(f.isHidden());
    QCOMPARE(f.windowTitle(), u"已登录:"_s + a.name);
    QCOMPARE((QStringList{f.state().username, f.state().userpass, f.state().usertimu,
                          f.state().adminlist, f.state().ser1, f.state().mdbfold}),
             (QStringList{a.name, stored, timu, u"张三,管理员"_s, endpoint_, endpoint_}));
    QCOMPARE(f.state().online1, 1);
    // The server's banks, newest name first, in front of the editor's own.
    QCOMPARE(editor_->banks, (a.marker ? QStringList{} : QStringList{u"银行从业"_s, u"会计基础"_s})
                                 << u"本机题库"_s);
    QCOMPARE(editor_->bankText, bankText);
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
    if (a.held) QVERIFY2(ticksWhileHeld_ > 0, "the window's timer never fired while it waited");
}

void tst_Form1::refusedLogins_data() {
    QTest::addColumn<Attempt>("a");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("passwordAfter");
    QTest::addColumn<bool>("ends");  // the program
    QTest::newRow("wrong password")
        << Attempt{.password = u"wrong"_s} << msg::WrongPassword() << QString() << false;
    QTest::newRow("30 characters are not digested")
        << Attempt{.name = u"周九"_s, .password = QString(30, u'q')} << msg::WrongPassword()
        << QString() << false;
    QTest::newRow("unregistered") << Attempt{.name = u"无名氏"_s} << msg::Unregistered(u"无名氏"_s)
                                  << kSecret << false;
    // Pasted raw into the query this name would find o'neil by a wildcard.
    const QString widening = u"zz' or username like 'o_neil"_s;
    QTest::newRow("name that would widen the query")
        << Attempt{.name = widening} << msg::Unregistered(widening) << kSecret << false;
    QTest::newRow("empty name") << Attempt{.name = QString()} << msg::EmptyName() << u"secret"_s
                                << false;
    QTest::newRow("empty password")
        << Attempt{.password = QString()} << msg::EmptyPassword() << QString() << false;
    const QString closed = kClosedMessage + u"■服务器正在维护，请稍后再试。"_s;
    QTest::newRow("closed server") << Attempt{.prepare = kClosed} << closed << u"secret"_s << true;
    // On the embedded backend an endpoint without its file is no server either.
    QTest::newRow("unreachable server")
        << Attempt{.endpoint = u"127.0.0.1,1"_s}
        << u"【青松考典】 尝试连接服务器失败(3704[数据库无法连接] 题库0)，"
           "建议尝试连接另一个地址的服务器，请重试一下登录。"_s
        << u"secret"_s << false;
    QTest::newRow("server without banks") << Attempt{.prepare = u"delete from alltype"_s}
                                          << msg::ConnectionFailed(0, 0) << u"secret"_s << false;
    // Without the connection test: no status row was read, so the server is
    // not taken as closed, and an account that could not be looked up is a
    // connection failure, not an unknown account.
    QTest::newRow("marker file, unreachable server")
        << Attempt{.marker = true, .endpoint = u"127.0.0.1,1"_s} << msg::ConnectionFailed(3709, 0)
        << kSecret << false;
    // A typed endpoint is only an address: refused before any connection.
    for (const QString& typed :
         {u"x;provider=p;data source=/tmp/qs-evil.mdb"_s, u"127.0.0.1,5974l"_s})
        QTest::newRow(qPrintable(u"typed endpoint "_s + typed))
            << Attempt{.endpoint = typed} << EndpointProblem(typed) << u"secret"_s << false;
}

void tst_Form1::refusedLogins() {
    QFETCH(Attempt, a);
    QFETCH(QString, message);
    QFETCH(QString, passwordAfter);
    QFETCH(bool, ends);
    if (a.onlyOn && *a.onlyOn != backend_) QSKIP("not possible with this server backend");
    Form1& f = attempt(a);
    QCOMPARE(platform_.texts(), QStringList{message});
    QCOMPARE(platform_.quits, ends ? 1 : 0);
    if (!ends) QVERIFY(buttonsEnabled());
    QVERIFY(f.isVisible());
    // A failed attempt leaves no editor behind (it would keep this attempt's user).
    QVERIFY(!editor_);
    QCOMPARE(child<QLineEdit>("Text2")->text(), passwordAfter);
    QCOMPARE(f.state().ser1, a.endpoint.isEmpty() ? endpoint_ : a.endpoint);
    // A mistyped endpoint never becomes a new, empty server.
    if (!a.endpoint.isEmpty() && backend_ == Backend::Sqlite)
        QVERIFY(!QFile::exists(EmbeddedServerFile(a.endpoint)));
    QVERIFY(!QFile::exists(u"/tmp/qs-evil.mdb"_s));
}

void tst_Form1::localPracticeModeTouchesNoDatabase() {
    const QStringList servers = QDir(folder_->file(u"servers"_s)).entryList(QDir::Files);
    const QDateTime localChanged = QFileInfo(folder_->file(u"anguidb.mdb"_s)).lastModified();
    Form1& f = start();
    fill(u"本地"_s, QString());
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QVERIFY(platform_.boxes.isEmpty());
    QCOMPARE(editor_->shown, 1);
    QVERIFY(f.isHidden());
    QCOMPARE(f.state().username, u"本地"_s);
    QCOMPARE(f.state().online1, 0);
    QCOMPARE(f.state().mdbfold, folder_->path() + u"\\"_s);
    QCOMPARE(QFileInfo(folder_->file(u"anguidb.mdb"_s)).lastModified(), localChanged);
    QCOMPARE(QDir(folder_->file(u"servers"_s)).entryList(QDir::Files), servers);
}

void tst_Form1::nameBoxFilters_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    // Key by key: the caret stays where the typing goes on.
    QTest::newRow("typed key by key") << u"ab,c%d"_s << u"abcd"_s;
    QTest::newRow("comma between letters") << u"a,b"_s << u"ab"_s;
    QTest::newRow("book-title brackets") << u"张三《》"_s << u"张三"_s;
    QTest::newRow("full-width signs") << u"李，四？｛￥"_s << u"李四"_s;
    QTest::newRow("curly quotes") << u"‘王’“五”"_s << u"王五"_s;
    QTest::newRow("ASCII punctuation") << u"a\"b:c~d!e#f$g%h^i&j*k(l)m=n+o\\p/q?r[s{t]u}v;w>x<y`z"_s
                                       << u"abcdefghijklmnopqrstuvwxyz"_s;
    QTest::newRow("line break") << u"赵\r\n六"_s << u"赵六"_s;
    QTest::newRow("lone CR and LF stay") << u"a\rb\nc"_s << u"a\rb\nc"_s;
    // Removing the backquote joins CR and LF, which go too.
    QTest::newRow("joined line break") << u"a\r`\nb"_s << u"ab"_s;
    // Registration refuses some of these; the filter does not.
    QTest::newRow("kept characters") << u"Tom O'Neil-2_x.y|z 中"_s << u"Tom O'Neil-2_x.y|z 中"_s;
}

void tst_Form1::nameBoxFilters() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    folder_->write(u"config.txt"_s, "账号:张三\n密码:5ebe2294ecd0e0f08eab7690d2a6ee69\n");
    start();
    auto* name = child<QLineEdit>("Text1");
    if (QTest::currentDataTag() == QByteArray("typed key by key")) {
        name->clear();
        QTest::keyClicks(name, typed);
    } else {
        name->setText(typed);
    }
    QCOMPARE(name->text(), kept);
    QCOMPARE(name->cursorPosition(), kept.size());
    // Typed in the middle, the caret stays after what was typed there.
    name->setCursorPosition(1);
    QTest::keyClicks(name, u"#x"_s);
    QCOMPARE(name->text(), kept.left(1) + u"x"_s + kept.mid(1));
    QCOMPARE(name->cursorPosition(), 2);
    // A changed name clears the password restored with the saved one.
    QVERIFY(child<QLineEdit>("Text2")->text().isEmpty());
}

void tst_Form1::registrationRefusesNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    const QString x33(33, u'x');
    QTest::newRow("reserved name first") << u"本地"_s << QString() << msg::ReservedName();
    QTest::newRow("empty name before empty password")
        << QString() << QString() << msg::EmptyNewName();
    QTest::newRow("33 characters") << QString(33, u'名') << u"pw"_s << msg::NameTooLong();
    QTest::newRow("too long before empty password") << x33 << QString() << msg::NameTooLong();
    QTest::newRow("empty password") << u"新人"_s << QString() << msg::EmptyPassword();
    QTest::newRow("empty password before bad character")
        << u"a.b"_s << QString() << msg::EmptyPassword();
    QTest::newRow("full stop") << u"a.b"_s << u"pw"_s << msg::IllegalNameCharacter();
    QTest::newRow("apostrophe") << u"o'neil"_s << u"pw"_s << msg::IllegalNameCharacter();
    QTest::newRow("vertical bar") << u"a|b"_s << u"pw"_s << msg::IllegalNameCharacter();
}

void tst_Form1::registrationRefusesNames() {
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    const QStringList servers = QDir(folder_->file(u"servers"_s)).entryList(QDir::Files);
    start();
    fill(name, password);
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(platform_.texts(), QStringList{message});
    QVERIFY(buttonsEnabled());
    QCOMPARE(QDir(folder_->file(u"servers"_s)).entryList(QDir::Files), servers);
}

void tst_Form1::registration_data() {
    QTest::addColumn<Attempt>("a");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("passwordAfter");
    QTest::addColumn<bool>("added");
    // The longest name allowed, with the signs the rules let through.
    const QString name = u"王：-_"_s + QString(28, u'王');
    const Attempt registered{.name = name,
                             .password = u"other"_s,
                             .how = u"Command2"_s,
                             .config = u"进度:会计基础→5\n"_s,
                             .answer = Answer::Yes};
    Attempt marker = registered, taken = registered, declined = registered, closed = registered,
            administrator = registered, unset = registered;
    marker.marker = true;
    taken.name = u"张三"_s;
    declined.answer = Answer::No;
    closed.prepare = administrator.prepare = unset.prepare = kClosed;
    administrator.config += u"账号:"_s + administrator.adminName + u"\n"_s;
    // An empty administrator setting must not match an empty saved name.
    unset.adminName.clear();
    const QString digest = MD5(u"other"_s, 32);
    const QString confirm = msg::ConfirmRegistration(name, u"other"_s);
    const QString closedMessage = kClosedMessage + u"■服务器正在维护，请稍后再试，站长"_s +
                                  ServerSettings::defaults().adminPhone + u"。"_s;
    const QStringList done{confirm, msg::Registered()};
    QTest::newRow("registered") << registered << done << digest << true;
    // Registration leaves local file mode, which the skipped test keeps: the
    // account is still looked up on the chosen server.
    QTest::newRow("registered with the marker file") << marker << done << digest << true;
    QTest::newRow("name taken") << taken
                                << QStringList{msg::ConfirmRegistration(u"张三"_s, u"other"_s),
                                               msg::NameTaken()}
                                << digest << false;
    QTest::newRow("declined") << declined << QStringList{confirm} << u"other"_s << false;
    QTest::newRow("closed server") << closed << QStringList{closedMessage} << u"other"_s << false;
    QTest::newRow("closed server, no administrator configured")
        << unset << QStringList{closedMessage} << u"other"_s << false;
    QTest::newRow("closed server, administrator") << administrator << done << digest << true;
}

void tst_Form1::registration() {
    QFETCH(Attempt, a);
    QFETCH(QStringList, messages);
    QFETCH(QString, passwordAfter);
    QFETCH(bool, added);
    Form1& f = attempt(a);
    QCOMPARE(platform_.texts(), messages);
    const bool closed = !a.prepare.isEmpty();
    QCOMPARE(platform_.quits, closed && !added ? 1 : 0);
    if (!closed || added) {
        QCOMPARE(platform_.boxes[0].caption, u"注册新用户"_s);
        QCOMPARE(platform_.boxes[0].buttons, Buttons::YesNo);
        QCOMPARE(buttonsEnabled(), !added);
        QCOMPARE(f.state().online1, 0);
    }
    QCOMPARE(child<QLineEdit>("Text2")->text(), passwordAfter);
    const QString digest = MD5(a.password, 32);
    QCOMPARE(sql(u"select count(*) from users where userpass = "_s + lit(digest)).toInt(),
             added ? 1 : 0);
    if (!added) return;
    const QString where = u" from users where username = "_s + lit(a.name);
    QCOMPARE(sql(u"select userpass"_s + where).toString(), digest);
    QCOMPARE(sql(u"select timu"_s + where).toString(), u"会计基础→5"_s);
    QCOMPARE(f.windowTitle(), u"已登录:"_s + a.name);
    QCOMPARE((QStringList{f.state().username, f.state().userpass}), (QStringList{a.name, digest}));
    QVERIFY(f.isVisible());
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
    QVERIFY(!editor_ || editor_->shown == 0);
    if (closed) return;

    // Enter logs the new account in with the digest left in the box.
    platform_.clear();
    QTest::keyClick(child<QLineEdit>("Text2"), Qt::Key_Return);
    QCOMPARE(platform_.texts(), QStringList{msg::LoginSucceeded(u"会计基础→5"_s)});
    QCOMPARE(editor_->shown, 1);
    QCOMPARE(f.state().online1, a.marker ? 0 : 1);
    QCOMPARE(editor_->bankText, u"会计基础"_s);
}

// A double click on a link, as the window system delivers it (press, release,
// double click, release), opens the page once.
void tst_Form1::linksAndClosing() {
    Form1& f = start();
    auto* download = child<ClickableLabel>("Label9");
    QSignalSpy doubles(download, &ClickableLabel::doubleClicked);
    const QPoint at(5, 5);
    QTest::mousePress(download, Qt::LeftButton, {}, at);
    QTest::mouseRelease(download, Qt::LeftButton, {}, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(at), download->mapToGlobal(QPointF(at)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(download, &dbl);
    QTest::mouseRelease(download, Qt::LeftButton, {}, at);
    QCOMPARE(doubles.count(), 1);
    QTest::mouseClick(child<ClickableLabel>("Label10"), Qt::LeftButton);
    QCOMPARE(platform_.texts(), (QStringList{msg::OpeningWebPage(), msg::OpeningWebPage()}));
    QCOMPARE(platform_.urls, (QStringList{Form1::downloadPageUrl(), Form1::shopPageUrl()}));
    QCOMPARE(platform_.quits, 0);
    f.close();
    QCOMPARE(platform_.quits, 1);
}

QTEST_MAIN(tst_Form1)
#include "tst_Form1.moc"
