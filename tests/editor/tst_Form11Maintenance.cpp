#include <QPushButton>

#include "EditorFixture.h"
#include "editor/QuestionRows.h"
#include "editor/WindowColours.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The bank commands of the editor against a PostgreSQL server and the local file.
class tst_Form11Maintenance : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void commandsNeedABank_data();
    void commandsNeedABank();
    void deleteCommands_data();
    void deleteCommands();
    void deletingAnEmptyBankReportsNone();
    void countingShowsBothDatabases();
    void renumberingTwice();
    void unreachableServerStopsWithAMessage();

private:
    void click(const char* name) { QTest::mouseClick(f_->child<QWidget>(name), Qt::LeftButton); }
    void fill(Connection& c, const QString& bank, int single, int trueFalse);

    std::unique_ptr<EditorFixture> f_;
    Connection server_;
    Connection local_;
};

void tst_Form11Maintenance::init() {
    f_ = std::make_unique<EditorFixture>();
    UseServerBackend(Backend::PostgreSql, f_->folder.path());
    ResetServer(PgLeftEndpoint());
    f_->login.download1 = PgLeftEndpoint();
    f_->login.ser1 = f_->login.mdbfold = PgLeftEndpoint();
    f_->login.username = u"小李"_s;
    server_.open(ServerConnectionString(PgLeftEndpoint()), 10);
    local_.open(LocalConnectionString(f_->folder.path()), 0, ado::adUseClient);
    f_->open();
}

void tst_Form11Maintenance::cleanup() {
    f_.reset();
    server_.close();
    local_.close();
}

void tst_Form11Maintenance::fill(Connection& c, const QString& bank, int single, int trueFalse) {
    AddBank(c, bank);
    if (single) AddQuestionGroup(c, bank, u"单选题"_s, single, u"ba"_s);
    if (trueFalse) AddQuestionGroup(c, bank, u"判断题"_s, trueFalse, u"b"_s);
}

void tst_Form11Maintenance::commandsNeedABank_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("bank");
    for (const char* c : {"Command2", "Command3", "Command4"}) {
        QTest::addRow("%s, prompt", c) << QByteArray(c) << u"请您选择题库"_s;
        QTest::addRow("%s, empty", c) << QByteArray(c) << QString();
    }
}

void tst_Form11Maintenance::commandsNeedABank() {
    QFETCH(QByteArray, command);
    QFETCH(QString, bank);
    fill(server_, u"会计"_s, 2, 0);
    f_->form->setBankText(bank);
    click(command.constData());
    QCOMPARE(f_->platform.texts(), QStringList{u"请先选择题库！"_s});
    QCOMPARE(Count(server_, u"1=1"_s), qint64(2));
}

void tst_Form11Maintenance::deleteCommands_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("banksGone");
    const QString bank = u"会计%_"_s;
    QTest::newRow("bank and questions")
        << QByteArray("Command2") << u"确定要删除题库【会计%_】吗？"_s << u"是否删除题库"_s
        << u"题库【会计%_】及所有题目删除成功，共5"_s << true;
    QTest::newRow("questions only")
        << QByteArray("Command3") << u"确定要删除题库【会计%_】的所有题目吗？"_s
        << u"是否删除题目"_s << u"题库【会计%_】所有题目删除成功，共5"_s << false;
}

void tst_Form11Maintenance::deleteCommands() {
    QFETCH(QByteArray, command);
    QFETCH(QString, question);
    QFETCH(QString, title);
    QFETCH(QString, result);
    QFETCH(bool, banksGone);
    const QString bank = u"会计%_"_s;
    fill(server_, bank, 3, 2);
    fill(local_, bank, 1, 0);
    fill(server_, u"会计%_2"_s, 2, 0);
    fill(local_, u"会计ab"_s, 2, 0);
    f_->form->setBankText(bank);

    f_->platform.answer(Answer::No);
    click(command.constData());
    QCOMPARE(f_->platform.texts(), QStringList{question});
    QCOMPARE(f_->platform.boxes.last().caption, title);
    QCOMPARE(Count(server_, u"1=1"_s), qint64(7));

    f_->platform.clear();
    f_->platform.answer(Answer::Yes);
    click(command.constData());
    QCOMPARE(f_->platform.texts(), (QStringList{question, result}));
    QCOMPARE(f_->form->windowTitle(), result);
    QCOMPARE(Column(server_, u"select distinct mantype from timu"_s), QStringList{u"会计%_2"_s});
    QCOMPARE(Column(local_, u"select distinct mantype from timu"_s), QStringList{u"会计ab"_s});
    QCOMPARE(Column(server_, u"select count(*) from alltype"_s),
             QStringList{banksGone ? u"1"_s : u"2"_s});
    QCOMPARE(Column(local_, u"select count(*) from alltype"_s),
             QStringList{banksGone ? u"1"_s : u"2"_s});
    for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
        QVERIFY2(f_->child<QPushButton>(b)->isEnabled(), b);
}

void tst_Form11Maintenance::deletingAnEmptyBankReportsNone() {
    fill(server_, u"其他"_s, 2, 0);
    f_->form->setBankText(u"空题库"_s);
    f_->platform.answer(Answer::Yes);
    click("Command3");
    QCOMPARE(f_->platform.lastText(), u"题库【空题库】所有题目删除成功，共0"_s);
    QCOMPARE(f_->form->windowTitle(), u"题库【空题库】所有题目删除成功，共0"_s);
}

void tst_Form11Maintenance::countingShowsBothDatabases() {
    fill(server_, u"会计基础"_s, 100, 18);
    fill(local_, u"会计基础"_s, 120, 0);
    fill(server_, u"会计基础2"_s, 5, 0);
    f_->form->setBankText(u"会计基础"_s);
    click("Label32");
    const QString text = u"会计基础 本地库有题目:120 服务器有题目:118"_s;
    QCOMPARE(f_->platform.texts(), QStringList{text});
    QCOMPARE(f_->form->windowTitle(), text);
    QCOMPARE(ForeColour(f_->child<QWidget>("Label32")), quint32(0xFF0000));
    QVERIFY(f_->child<QWidget>("Label32")->isEnabled());

    f_->platform.clear();
    f_->form->setBankText(u"新题库"_s);
    click("Label32");
    QCOMPARE(f_->platform.texts(), QStringList{u"新题库 本地库暂无题目 服务器暂无题目"_s});
}

void tst_Form11Maintenance::renumberingTwice() {
    fill(server_, u"会计基础"_s, 3, 2);
    fill(local_, u"会计基础"_s, 3, 2);
    f_->form->setBankText(u"会计基础"_s);
    QStringList before;
    for (int run = 0; run < 2; ++run) {
        f_->platform.clear();
        f_->platform.answer(Answer::Yes);
        click("Command4");
        QCOMPARE(f_->platform.boxes.value(0).text,
                 u"您确定要重置题目序号(ID2)吗？导入后必须运行一下..."_s);
        QCOMPARE(f_->platform.boxes.value(0).caption, u"是否重置ID2"_s);
        QCOMPARE(f_->platform.texts().value(1), u"共重置题目序号:10"_s);
        QCOMPARE(f_->form->windowTitle(), u"10)正在处理:【本地库】会计基础 判断题:2"_s);
        const QStringList now = Column(server_, u"select id2 || answer from timu order by id"_s) +
                                Column(local_, u"select id2 || answer from timu order by id"_s);
        QCOMPARE(now, (QStringList{u"1AB"_s, u"2AB"_s, u"3AB"_s, u"1B"_s, u"2B"_s, u"1AB"_s,
                                   u"2AB"_s, u"3AB"_s, u"1B"_s, u"2B"_s}));
        QCOMPARE(Column(local_, u"select why0 from timu"_s).value(0), run == 0 ? u" "_s : u"  "_s);
        for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
            QVERIFY2(f_->child<QPushButton>(b)->isEnabled(), b);
    }
}

void tst_Form11Maintenance::unreachableServerStopsWithAMessage() {
    fill(local_, u"会计"_s, 2, 0);
    f_->child<QComboBox>("Combo3")->setEditText(u"127.0.0.1,1"_s);
    f_->form->setBankText(u"会计"_s);
    f_->platform.answer(Answer::Yes);
    click("Command3");
    QCOMPARE(f_->platform.texts().size(), 2);
    QVERIFY2(f_->platform.lastText().startsWith(
                 u"删除题库【会计】的题目失败，已停止：【服务器】错误码 -2147467259，"_s),
             qPrintable(f_->platform.lastText()));
    QCOMPARE(Count(local_, u"1=1"_s), qint64(2));
    QVERIFY(f_->child<QPushButton>("Command3")->isEnabled());
    QCOMPARE(f_->platform.quits, 0);
}

QTEST_MAIN(tst_Form11Maintenance)
#include "tst_Form11Maintenance.moc"
