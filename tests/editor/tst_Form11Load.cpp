#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "EditorFixture.h"
#include "editor/MultiLineTextBox.h"
#include "editor/WindowColours.h"

using namespace qs;
using namespace qs::test;

// The editor's load, bank list and its own small commands.
class tst_Form11Load : public QObject {
    Q_OBJECT
private slots:
    void loadsBanksAndAdministratorButtons_data();
    void loadsBanksAndAdministratorButtons();
    void serverLabelNamesTheLine_data();
    void serverLabelNamesTheLine();
    void unreachableDatabaseLeavesAUsableEmptyList();
    void loginInsertsBanksInFrontKeepingThePrompt();
    void typedNamesAreNotCompleted();
    void label4SavesAndRestoresTheQuestion();
    void top1TogglesKeepOnTop();
    void label31OpensSyncForAdministratorsOnly();
    void closingEndsTheProgram();
};

void tst_Form11Load::loadsBanksAndAdministratorButtons_data() {
    QTest::addColumn<int>("backend");
    QTest::addColumn<int>("online1");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("admin");
    QTest::addColumn<QStringList>("banks");
    const QStringList server = {QStringLiteral("新题库"), QStringLiteral("旧题库")};
    const QStringList local = {QStringLiteral("本地二"), QStringLiteral("本地一")};
    // The name occurs inside adminlist "admin,小李": a substring counts.
    QTest::newRow("embedded server, administrator")
        << int(Backend::Sqlite) << 1 << QStringLiteral("小李") << true << server;
    QTest::newRow("embedded server, substring administrator")
        << int(Backend::Sqlite) << 1 << QStringLiteral("dmi") << true << server;
    QTest::newRow("embedded server, operator")
        << int(Backend::Sqlite) << 1 << QStringLiteral("小王") << false << server;
    QTest::newRow("postgresql server, operator")
        << int(Backend::PostgreSql) << 1 << QStringLiteral("小王") << false << server;
    QTest::newRow("local file, administrator")
        << int(Backend::Sqlite) << 0 << QStringLiteral("admin") << true << local;
    QTest::newRow("local file, operator")
        << int(Backend::Sqlite) << 0 << QStringLiteral("小王") << false << local;
}

void tst_Form11Load::loadsBanksAndAdministratorButtons() {
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
    f.platform.clock = QDateTime(QDate(2026, 12, 8), QTime(10, 20, 13));
    // Oldest first; the empty name must not be listed.
    AddBanks(ServerConnectionString(f.login.ser1),
             {QStringLiteral("旧题库"), QString(), QStringLiteral("新题库")});
    AddBanks(LocalConnectionString(f.folder.path()),
             {QStringLiteral("本地一"), QStringLiteral("本地二")});

    Form11& form = f.open();
    QCOMPARE(f.bankItems(), banks);
    QCOMPARE(f.child<QComboBox>("Combo1")->currentText(), QStringLiteral("请您选择题库"));
    QCOMPARE(form.download, f.login.ser1);
    QCOMPARE(f.child<QLineEdit>("adder")->text(), user);
    QCOMPARE(form.why0save, QStringLiteral("【案例分析题】"));
    QCOMPARE(int(form.senum), 13);
    QCOMPARE(f.child<QLabel>("Label1")->text(),
             QStringLiteral("当前数据库：→【服务器】+【本地数据库】"));
    for (const char* name : {"Command2", "Command3", "Command4"}) {
        QCOMPARE(f.child<QPushButton>(name)->isVisible(), admin);
        QCOMPARE(f.child<QPushButton>(name)->isEnabled(), admin);
    }
    QVERIFY(f.child<QPushButton>("Command1")->isVisible());
    QVERIFY(f.platform.boxes.isEmpty());
}

void tst_Form11Load::serverLabelNamesTheLine_data() {
    QTest::addColumn<int>("line");  // 1-4, 0 for a typed endpoint
    QTest::newRow("main line 1") << 1;
    QTest::newRow("main line 2") << 2;
    QTest::newRow("backup line 2") << 4;
    QTest::newRow("typed endpoint") << 0;
}

void tst_Form11Load::serverLabelNamesTheLine() {
    QFETCH(int, line);
    EditorFixture f;
    const QString lines[] = {f.login.download1, f.login.download2, f.login.download3,
                             f.login.download4};
    f.login.ser1 = line ? lines[line - 1] : QStringLiteral("10.0.0.5");
    f.open(false);
    const QString expected = line ? ServerLineEntries().at(line - 1) : QStringLiteral("10.0.0.5");
    QCOMPARE(f.child<QComboBox>("Combo3")->currentText(), expected);
    QCOMPARE(f.child<QComboBox>("Combo3")->count(), 4);
    QCOMPARE(f.form->download, f.login.ser1);
}

void tst_Form11Load::unreachableDatabaseLeavesAUsableEmptyList() {
    EditorFixture f;
    UseServerBackend(Backend::PostgreSql, f.folder.path());
    f.login.ser1 = QStringLiteral("127.0.0.1,1");  // nothing listens there
    f.open();
    QCOMPARE(f.platform.boxes.size(), 1);
    QVERIFY2(f.platform.lastText().startsWith(QStringLiteral("无法读取题库列表")),
             qPrintable(f.platform.lastText()));
    QCOMPARE(f.bankItems(), QStringList());
    QCOMPARE(f.child<QComboBox>("Combo1")->currentText(), QStringLiteral("请您选择题库"));
    // Still usable: a bank can be typed and the helpers work.
    f.child<QComboBox>("Combo1")->setEditText(QStringLiteral("新建题库"));
    f.click("Label23");
    QCOMPARE(f.child<QLineEdit>("SD")->text(), QStringLiteral("如图D"));
}

void tst_Form11Load::loginInsertsBanksInFrontKeepingThePrompt() {
    EditorFixture f;
    AddBanks(ServerConnectionString(f.login.ser1), {QStringLiteral("甲"), QStringLiteral("乙")});
    Form11& form = f.open(false);
    EditorAccess& access = form;
    access.insertBank(0, QStringLiteral("乙"));
    access.insertBank(1, QStringLiteral("甲"));
    QCOMPARE(f.bankItems(), (QStringList{QStringLiteral("乙"), QStringLiteral("甲"),
                                         QStringLiteral("乙"), QStringLiteral("甲")}));
    QCOMPARE(f.child<QComboBox>("Combo1")->currentText(), QStringLiteral("请您选择题库"));
    access.setBankText(QStringLiteral("甲"));
    QCOMPARE(f.child<QComboBox>("Combo1")->currentText(), QStringLiteral("甲"));
    access.showEditor();
    QVERIFY(form.isVisible());

    // An editor that loaded no bank at all keeps its prompt too.
    EditorFixture empty;
    empty.open(false).insertBank(0, QStringLiteral("丙"));
    QCOMPARE(empty.child<QComboBox>("Combo1")->currentText(), QStringLiteral("请您选择题库"));
}

void tst_Form11Load::typedNamesAreNotCompleted() {
    EditorFixture f;
    AddBanks(ServerConnectionString(f.login.ser1), {QStringLiteral("会计基础")});
    f.open();
    // A new bank whose name begins a listed one, and a server line typed in part.
    const std::pair<const char*, QString> typed[] = {{"Combo1", QStringLiteral("会计")},
                                                     {"Combo3", QStringLiteral("主")}};
    for (const auto& [name, text] : typed) {
        auto* combo = f.child<QComboBox>(name);
        combo->setFocus();
        combo->lineEdit()->clear();
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, combo->lineEdit(), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        QCOMPARE(combo->currentText(), text);
    }
}

void tst_Form11Load::label4SavesAndRestoresTheQuestion() {
    EditorFixture f;
    Form11& form = f.open();
    auto* timu = f.child<MultiLineTextBox>("timu");
    timu->setText(QStringLiteral("第一行\r\n第二行"));
    f.click("Label4");
    QCOMPARE(form.timu0save, QStringLiteral("第一行\r\n第二行"));
    timu->setText(QString());
    f.click("Label4");
    QCOMPARE(timu->text(), QStringLiteral("第一行\r\n第二行"));
    // Saving again replaces the kept text.
    timu->setText(QStringLiteral("别的"));
    f.click("Label4");
    QCOMPARE(form.timu0save, QStringLiteral("别的"));
}

void tst_Form11Load::top1TogglesKeepOnTop() {
    EditorFixture f;
    Form11& form = f.open();
    QWidget* top1 = f.child<QWidget>("top1");
    QCOMPARE(ForeColour(top1), colour::kBlack);
    struct Step {
        quint32 colour;
        bool onTop;
    };
    // Black is not the button-text colour, so the first click only changes the colour.
    const Step steps[] = {
        {colour::kButtonText, false}, {colour::kDarkRed, true}, {colour::kButtonText, false}};
    for (const Step& s : steps) {
        f.click("top1");
        QCOMPARE(ForeColour(top1), s.colour);
        QCOMPARE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint), s.onTop);
        QVERIFY(form.isVisible());
    }
}

void tst_Form11Load::label31OpensSyncForAdministratorsOnly() {
    EditorFixture admin;
    admin.login.username = QStringLiteral("小李");
    admin.open();
    admin.click("Label31");
    QCOMPARE(admin.syncOpened, 1);
    QCOMPARE(admin.syncOwner, static_cast<QWidget*>(admin.form.get()));
    QVERIFY(admin.child<QWidget>("Label31")->isVisible());

    EditorFixture op;
    op.open();
    op.click("Label31");
    QCOMPARE(op.syncOpened, 0);
    QVERIFY(!op.child<QWidget>("Label31")->isVisible());
}

void tst_Form11Load::closingEndsTheProgram() {
    EditorFixture f;
    f.open();
    f.form->close();
    QCOMPARE(f.platform.quits, 1);
    QVERIFY(f.platform.boxes.isEmpty());
}

QTEST_MAIN(tst_Form11Load)
#include "tst_Form11Load.moc"
