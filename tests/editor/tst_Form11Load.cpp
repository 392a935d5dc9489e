#include <QLabel>

#include "EditorFixture.h"
#include "widgets/WindowColours.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The editor's load, bank list and its own small commands.
class tst_Form11Load : public QObject {
    Q_OBJECT
    static QString combo(const EditorFixture& f, const char* name) {
        return f.child<QComboBox>(name)->currentText();
    }

private slots:
    void cleanup() {
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }

    void loadsBanksAndAdministratorButtons_data() {
        QTest::addColumn<int>("backend");
        QTest::addColumn<int>("online1");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QStringList>("banks");
        const QStringList server = {u"新题库"_s, u"旧题库"_s}, local = {u"本地二"_s, u"本地一"_s};
        const int sqlite = int(Backend::Sqlite);
        SqlServerStandIn::install();
        QTest::newRow("server, administrator") << sqlite << 1 << u"小李"_s << true << server;
        QTest::newRow("server, operator") << sqlite << 1 << u"小王"_s << false << server;
        QTest::newRow("postgresql server, operator")
            << int(Backend::PostgreSql) << 1 << u"小王"_s << false << server;
        QTest::newRow("sql server, administrator")
            << int(Backend::SqlServer) << 1 << u"小李"_s << true << server;
        // The name occurs inside adminlist "admin,小李": a substring counts.
        QTest::newRow("local file, substring administrator")
            << sqlite << 0 << u"dmi"_s << true << local;
        QTest::newRow("local file, operator") << sqlite << 0 << u"小王"_s << false << local;
    }
    void loadsBanksAndAdministratorButtons() {
        QFETCH(int, backend);
        QFETCH(int, online1);
        QFETCH(QString, user);
        QFETCH(bool, admin);
        QFETCH(QStringList, banks);
        EditorFixture f;
        UseServerBackend(Backend(backend), f.folder.path());
        if (Backend(backend) == Backend::PostgreSql) {
            f.login.download1 = f.login.ser1 = PgLeftEndpoint();
            ResetServer(f.login.ser1);
        }
        f.login.online1 = online1;
        f.login.username = user;
        f.platform.clock = QDateTime(QDate(2026, 12, 8), QTime(10, 20, 13));  // senum: the second
        // Oldest first; the empty name must not be listed.
        AddBanks(ServerConnectionString(f.login.ser1), {u"旧题库"_s, QString(), u"新题库"_s});
        AddBanks(LocalConnectionString(f.folder.path()), {u"本地一"_s, u"本地二"_s});

        Form11& form = f.open();
        QCOMPARE(f.bankItems(), banks);
        QCOMPARE(combo(f, "Combo1"), u"请您选择题库"_s);
        QCOMPARE(form.download, f.login.ser1);
        QCOMPARE(f.edit("adder")->text(), user);
        QCOMPARE(form.why0save, u"【案例分析题】"_s);
        QCOMPARE(int(form.senum), 13);
        QCOMPARE(f.child<QLabel>("Label1")->text(), u"当前数据库：→【服务器】+【本地数据库】"_s);
        for (const char* name : {"Command2", "Command3", "Command4"}) {
            QCOMPARE(f.child(name)->isVisible(), admin);
            QCOMPARE(f.child(name)->isEnabled(), admin);
        }
        QVERIFY(f.child("Command1")->isVisible());
        QVERIFY(f.platform.boxes.isEmpty());

        // Tab walks the window in reading order and comes back to the bank.
        QStringList order = {u"Combo1"_s, u"Combo3"_s, u"adder"_s,  u"Check1"_s,
                             u"Check2"_s, u"Check3"_s, u"Check4"_s, u"Check5"_s,
                             u"timu"_s,   u"timu1"_s,  u"timu2"_s,  u"timu2jpg"_s};
        for (const QString& x : {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s})
            order << u"S"_s + x << x + u"JPG1"_s << x + u"JPG2"_s << x.toLower() + u"2jpg"_s;
        order << u"answer"_s << u"nandu"_s << u"why0"_s << u"why1"_s << u"why2"_s << u"why2jpg"_s
              << u"Command1"_s << u"Command5"_s;
        if (admin) order << u"Command2"_s << u"Command3"_s << u"Command4"_s;
        order << u"Command6"_s << u"Combo1"_s;
        f.child("Combo1")->setFocus();
        QStringList walked;
        for (QWidget* w = form.focusWidget(); walked.size() < order.size();
             QTest::keyClick(w, Qt::Key_Tab), w = form.focusWidget())
            walked << (w->objectName().isEmpty() ? w->parentWidget() : w)->objectName();
        QCOMPARE(walked, order);
    }

    void serverLabelNamesTheLine_data() {
        QTest::addColumn<int>("line");  // 1-4, 0 for a typed endpoint
        QTest::newRow("main line 1") << 1;
        QTest::newRow("main line 2") << 2;
        QTest::newRow("backup line 2") << 4;
        QTest::newRow("typed endpoint") << 0;
        // Both main lines share one endpoint (the built-in settings do): the first is named.
        QTest::newRow("main lines alike") << -1;
    }
    void serverLabelNamesTheLine() {
        QFETCH(int, line);
        EditorFixture f;
        if (line < 0) f.login.download2 = f.login.download1, line = 1;
        const QString lines[] = {f.login.download1, f.login.download2, f.login.download3,
                                 f.login.download4};
        f.login.ser1 = line ? lines[line - 1] : u"10.0.0.5"_s;
        f.open(false);
        QCOMPARE(combo(f, "Combo3"), line ? ServerLineEntries().at(line - 1) : u"10.0.0.5"_s);
        QCOMPARE(f.child<QComboBox>("Combo3")->count(), 4);
        QCOMPARE(f.form->download, f.login.ser1);
    }

    void unreachableDatabaseLeavesAUsableEmptyList() {
        EditorFixture f;
        UseServerBackend(Backend::PostgreSql, f.folder.path());
        f.login.ser1 = u"127.0.0.1,1"_s;  // nothing listens there
        f.open();
        QCOMPARE(f.platform.boxes.size(), 1);
        QVERIFY2(f.platform.lastText().startsWith(u"无法读取题库列表"_s),
                 qPrintable(f.platform.lastText()));
        QCOMPARE(f.bankItems(), QStringList());
        QCOMPARE(combo(f, "Combo1"), u"请您选择题库"_s);
        // Still usable: a bank can be typed and the helpers work.
        f.child<QComboBox>("Combo1")->setEditText(u"新建题库"_s);
        f.click("Label23");
        QCOMPARE(f.edit("SD")->text(), u"如图D"_s);
    }

    void loginInsertsBanksInFrontKeepingThePrompt() {
        EditorFixture f;
        AddBanks(ServerConnectionString(f.login.ser1), {u"甲"_s, u"乙"_s});
        EditorAccess& access = f.open(false);
        access.insertBank(0, u"乙"_s);
        access.insertBank(1, u"甲"_s);
        QCOMPARE(f.bankItems(), (QStringList{u"乙"_s, u"甲"_s, u"乙"_s, u"甲"_s}));
        QCOMPARE(combo(f, "Combo1"), u"请您选择题库"_s);
        access.setBankText(u"甲"_s);
        QCOMPARE(combo(f, "Combo1"), u"甲"_s);
        access.showEditor();
        QVERIFY(f.form->isVisible());

        // An editor that loaded no bank at all keeps its prompt too.
        EditorFixture empty;
        empty.open(false).insertBank(0, u"丙"_s);
        QCOMPARE(combo(empty, "Combo1"), u"请您选择题库"_s);
    }

    void typedNamesAreNotCompleted() {
        EditorFixture f;
        AddBanks(ServerConnectionString(f.login.ser1), {u"会计基础"_s});
        f.open();
        // A new bank whose name begins a listed one, and a server line typed in part.
        for (const auto& [name, text] :
             {std::pair{"Combo1", u"会计"_s}, std::pair{"Combo3", u"主"_s}}) {
            auto* box = f.child<QComboBox>(name);
            box->setFocus();
            box->lineEdit()->clear();
            for (const QChar c : text)
                QTest::sendKeyEvent(QTest::Click, box->lineEdit(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            QCOMPARE(box->currentText(), text);
        }
    }

    void label4SavesAndRestoresTheQuestion() {
        EditorFixture f;
        Form11& form = f.open();
        MultiLineTextBox* timu = f.box("timu");
        timu->setText(u"第一行\r\n第二行"_s);
        f.click("Label4");
        QCOMPARE(form.timu0save, u"第一行\r\n第二行"_s);
        timu->setText(QString());
        f.click("Label4");
        QCOMPARE(timu->text(), u"第一行\r\n第二行"_s);
        // Saving again replaces the kept text.
        timu->setText(u"别的"_s);
        f.click("Label4");
        QCOMPARE(form.timu0save, u"别的"_s);
    }

    void top1TogglesKeepOnTop() {
        EditorFixture f;
        Form11& form = f.open();
        QCOMPARE(ForeColour(f.child("top1")), colour::kBlack);
        // Black is not the button-text colour, so the first click only changes the colour.
        const std::pair<quint32, bool> steps[] = {
            {colour::kButtonText, false}, {colour::kDarkRed, true}, {colour::kButtonText, false}};
        for (const auto& [fore, onTop] : steps) {
            f.click("top1");
            QCOMPARE(ForeColour(f.child("top1")), fore);
            QCOMPARE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            QVERIFY(form.isVisible());
        }
    }

    void label31OpensSyncForAdministratorsOnly() {
        EditorFixture admin, op;
        admin.login.username = u"小李"_s;
        admin.open();
        admin.click("Label31");
        QCOMPARE(admin.syncOpened, 1);
        QCOMPARE(admin.syncOwner, static_cast<QWidget*>(admin.form.get()));
        QVERIFY(admin.child("Label31")->isVisible());
        op.open();
        op.click("Label31");
        QCOMPARE(op.syncOpened, 0);
        QVERIFY(!op.child("Label31")->isVisible());
    }

    void closingEndsTheProgram() {
        EditorFixture f;
        f.open().close();
        QCOMPARE(f.platform.quits, 1);
        QVERIFY(f.platform.boxes.isEmpty());
    }
};

QTEST_MAIN(tst_Form11Load)
#include "tst_Form11Load.moc"
