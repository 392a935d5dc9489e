#include "EditorFixture.h"
#include "widgets/WindowColours.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The bank commands of the editor against a server (PostgreSQL, SQL Server) and the local file.
class tst_Form11Maintenance : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> f_;
    const QStringList allCommands = {u"Command1"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s};

    void fill(Connection& c, const QString& bank, int single, int trueFalse = 0) {
        AddBank(c, bank);
        if (single) AddQuestionGroup(c, bank, u"单选题"_s, single, u"ba"_s);
        if (trueFalse) AddQuestionGroup(c, bank, u"判断题"_s, trueFalse, u"b"_s);
    }
    QStringList texts() const { return f_->platform.texts(); }

private slots:
    void initTestCase_data() { AddServerRows(); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        f_ = std::make_unique<EditorFixture>();
        f_->useServer(Backend(backend));
        f_->open();
    }
    void cleanup() {
        f_.reset();
        SqlServerStandIn::setCodePage936(false);
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }

    void commandsNeedABank_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("bank");
        for (const char* c : {"Command2", "Command3", "Command4"}) {
            QTest::addRow("%s, prompt", c) << QByteArray(c) << u"请您选择题库"_s;
            QTest::addRow("%s, empty", c) << QByteArray(c) << QString();
            QTest::addRow("%s, name holding 选择", c) << QByteArray(c) << u"选择题大全"_s;
        }
    }
    void commandsNeedABank() {
        QFETCH(QByteArray, command);
        QFETCH(QString, bank);
        fill(f_->server, bank, 2);
        f_->form->setBankText(bank);
        f_->click(command.constData());
        QCOMPARE(texts(), QStringList{u"请先选择题库！"_s});
        QCOMPARE(Count(f_->server, u"1=1"_s), qint64(2));
    }

    void deleteCommands_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("banksLeft");
        QTest::newRow("bank and questions")
            << QByteArray("Command2") << u"确定要删除题库【会计%_】吗？"_s << u"是否删除题库"_s
            << u"题库【会计%_】及所有题目删除成功，共5"_s << u"1"_s;
        QTest::newRow("questions only")
            << QByteArray("Command3") << u"确定要删除题库【会计%_】的所有题目吗？"_s
            << u"是否删除题目"_s << u"题库【会计%_】所有题目删除成功，共5"_s << u"2"_s;
    }
    void deleteCommands() {
        QFETCH(QByteArray, command);
        QFETCH(QString, question);
        QFETCH(QString, title);
        QFETCH(QString, result);
        QFETCH(QString, banksLeft);
        const QString bank = u"会计%_"_s;
        fill(f_->server, bank, 3, 2);
        fill(f_->local, bank, 1);
        fill(f_->server, u"会计%_2"_s, 2);
        fill(f_->local, u"会计ab"_s, 2);
        f_->form->setBankText(bank);

        f_->platform.answer(Answer::No);
        f_->click(command.constData());
        QCOMPARE(texts(), QStringList{question});
        QCOMPARE(f_->platform.boxes.last().caption, title);
        QCOMPARE(Count(f_->server, u"1=1"_s), qint64(7));

        f_->platform.clear();
        f_->platform.answer(Answer::Yes);
        f_->click(command.constData());
        QCOMPARE(texts(), (QStringList{question, result}));
        QCOMPARE(f_->form->windowTitle(), result);
        QCOMPARE(Column(f_->server, u"select distinct mantype from timu"_s),
                 QStringList{u"会计%_2"_s});
        QCOMPARE(Column(f_->local, u"select distinct mantype from timu"_s),
                 QStringList{u"会计ab"_s});
        for (Connection* c : {&f_->server, &f_->local})
            QCOMPARE(Column(*c, u"select count(*) from alltype"_s), QStringList{banksLeft});
        QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}), allCommands);
    }

    void deletingAnEmptyBankReportsNone() {
        fill(f_->server, u"其他"_s, 2);
        f_->form->setBankText(u"空题库"_s);
        f_->platform.answer(Answer::Yes);
        f_->click("Command3");
        QCOMPARE(f_->platform.lastText(), u"题库【空题库】所有题目删除成功，共0"_s);
        QCOMPARE(f_->form->windowTitle(), f_->platform.lastText());
        QCOMPARE(Count(f_->server, u"1=1"_s), qint64(2));
    }

    void countingShowsBothDatabases() {
        fill(f_->server, u"会计基础"_s, 100, 18);
        fill(f_->local, u"会计基础"_s, 120);
        fill(f_->server, u"会计基础2"_s, 5);
        f_->form->setBankText(u"会计基础"_s);
        f_->click("Label32");
        const QString text = u"会计基础 本地库有题目:120 服务器有题目:118"_s;
        QCOMPARE(texts(), QStringList{text});
        QCOMPARE(f_->form->windowTitle(), text);
        QCOMPARE(ForeColour(f_->child("Label32")), quint32(0xFF0000));
        QVERIFY(f_->child("Label32")->isEnabled());

        f_->platform.clear();
        f_->form->setBankText(u"新题库"_s);
        f_->click("Label32");
        QCOMPARE(texts(), QStringList{u"新题库 本地库暂无题目 服务器暂无题目"_s});

        // The count names the rows a deletion removes, on each database by its own rule
        // (the local file's like ignores the case of ASCII letters, as SQL Server's
        // case-insensitive collation does; PostgreSQL's like does not).
        QFETCH_GLOBAL(int, backend);
        const int server = Backend(backend) == Backend::SqlServer ? 3 : 2;
        fill(f_->server, u"Tax"_s, 2);
        fill(f_->server, u"tax"_s, 1);
        fill(f_->local, u"Tax"_s, 1);
        fill(f_->local, u"TAX"_s, 2);
        f_->form->setBankText(u"Tax"_s);
        f_->platform.clear();
        f_->platform.answer(Answer::Yes);
        for (const char* command : {"Label32", "Command3", "Label32"}) f_->click(command);
        QCOMPARE(texts(), (QStringList{u"Tax 本地库有题目:3 服务器有题目:%1"_s.arg(server),
                                       u"确定要删除题库【Tax】的所有题目吗？"_s,
                                       u"题库【Tax】所有题目删除成功，共%1"_s.arg(server),
                                       u"Tax 本地库暂无题目 服务器暂无题目"_s}));
        QCOMPARE(Count(f_->server, u"mantype = 'tax'"_s), qint64(3 - server));
    }

    void renumberingTwice() {
        fill(f_->server, u"会计基础"_s, 3, 2);
        fill(f_->local, u"会计基础"_s, 3, 2);
        f_->form->setBankText(u"会计基础"_s);
        for (const QString& why0 : {u" "_s, u"  "_s}) {
            f_->platform.clear();
            f_->platform.answer(Answer::Yes);
            f_->click("Command4");
            QCOMPARE(f_->platform.boxes.value(0).text,
                     u"您确定要重置题目序号(ID2)吗？导入后必须运行一下..."_s);
            QCOMPARE(f_->platform.boxes.value(0).caption, u"是否重置ID2"_s);
            QCOMPARE(texts().value(1), u"共重置题目序号:10"_s);
            QCOMPARE(f_->form->windowTitle(), u"10)正在处理:【本地库】会计基础 判断题:2"_s);
            for (Connection* c : {&f_->server, &f_->local})
                QCOMPARE(Column(*c, u"select id2 || answer from timu order by id"_s),
                         (QStringList{u"1AB"_s, u"2AB"_s, u"3AB"_s, u"1B"_s, u"2B"_s}));
            QCOMPARE(Column(f_->local, u"select why0 from timu"_s).value(0), why0);
            QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}), allCommands);
        }
    }

    void unreachableServerStopsWithAMessage_data() {
        QTest::addColumn<bool>("noLocalFile");
        QTest::newRow("server unreachable") << false;
        // A missing local file is no empty one: counting and deleting stop, naming it.
        QTest::newRow("local file missing") << true;
    }
    void unreachableServerStopsWithAMessage() {
        QFETCH(bool, noLocalFile);
        fill(f_->local, u"会计"_s, 2);
        fill(f_->server, u"会计"_s, 3);
        const QString localFile = f_->folder.file(u"anguidb.mdb"_s);
        if (noLocalFile)
            QFile::rename(localFile, localFile + u".away"_s);
        else
            f_->child<QComboBox>("Combo3")->setEditText(u"127.0.0.1,1"_s);
        f_->form->setBankText(u"会计"_s);
        f_->platform.answer(Answer::Yes);
        f_->click("Command3");
        f_->click("Label32");
        const QString why =
            noLocalFile ? u"【本地库】错误码 -2147467259，找不到本地数据库文件："_s + localFile
                        : u"【服务器】错误码 -2147467259，"_s;
        QCOMPARE(texts().size(), 3);
        for (const QString& action : {u"删除题库【会计】的题目"_s, u"题目统计"_s})
            QVERIFY2(texts().filter(action + u"失败，已停止："_s + why).size() == 1,
                     qPrintable(texts().join(u'\n')));
        QCOMPARE(QFile::exists(localFile), !noLocalFile);  // none made
        if (noLocalFile) QFile::rename(localFile + u".away"_s, localFile);
        QCOMPARE(Count(f_->local, u"1=1"_s), qint64(2));
        QCOMPARE(Count(f_->server, u"1=1"_s), qint64(3));
        QVERIFY(f_->child("Command3")->isEnabled());
        QCOMPARE(f_->platform.quits, 0);
    }
};

QTEST_MAIN(tst_Form11Maintenance)
#include "tst_Form11Maintenance.moc"
