#include <QTest>
#include <memory>

#include "db/Endpoints.h"
#include "db/Schema.h"
#include "bank/BatchSubmission.h"
#include "editor/QuestionRows.h"
#include "bank/Submission.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The duplicate test and the renumbering of a submission on the server (embedded
// SQLite or PostgreSQL) and the local file, with data the editor window cannot
// set up cheaply; the editor's submit test checks the rows the window adds.
class tst_Submission : public QObject {
    Q_OBJECT
    std::unique_ptr<TempProgramFolder> folder_;
    QString endpoint_;
    Connection server_, local_;

    QuestionInput question(const QString& text, const QString& bank = u"驾驶员题库"_s) const {
        QuestionInput in;
        in.endpoint = endpoint_;
        in.programFolder = folder_->path();
        in.bank = bank;
        in.question = text;
        in.answer = u"A"_s;
        in.nandu = u"普通"_s;
        in.why0 = u"--"_s;
        in.adder = in.username = u"张三"_s;
        in.qtype = u"单选题"_s;
        in.options = {u"停车"_s, u"减速"_s, {}, {}, {}, {}};
        in.now = QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0));
        return in;
    }

private slots:
    void initTestCase_data() { AddBackendRows(); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        folder_ = std::make_unique<TempProgramFolder>();
        endpoint_ = OpenServerAndLocal(Backend(backend), *folder_, server_, local_);
    }
    void cleanup() {
        server_.close();
        local_.close();
    }

    void duplicateIsLookedUpLiterally_data() {
        QTest::addColumn<QString>("bank");  // submitted
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("storedBank");
        QTest::addColumn<QString>("storedText");
        QTest::addColumn<QString>("storedAnswer");
        QTest::addColumn<bool>("duplicate");
        const QString bank = u"会计"_s, text = u"借方是?"_s;
        QTest::newRow("same") << bank << text << bank << text << u"A"_s << true;
        QTest::newRow("other answer") << bank << text << bank << text << u"B"_s << false;
        QTest::newRow("other bank") << bank << text << u"会计2"_s << text << u"A"_s << false;
        QTest::newRow("bank holds %")
            << u"会计%"_s << text << u"会计x"_s << text << u"A"_s << false;
        QTest::newRow("text holds _")
            << bank << u"借方是_"_s << bank << u"借方是!"_s << u"A"_s << false;
        QTest::newRow("bank with % itself")
            << u"会计%"_s << text << u"会计%"_s << text << u"A"_s << true;
        // Longer than SQLite takes as a like pattern.
        const QString longText = QString(20000, u'长') + u"%_"_s;
        QTest::newRow("long text") << bank << longText << bank << longText << u"A"_s << true;
        QTest::newRow("long text, one character other")
            << bank << longText << bank << QString(longText).replace(20001, 1, u"x"_s) << u"A"_s
            << false;
    }
    void duplicateIsLookedUpLiterally() {
        QFETCH(QString, bank);
        QFETCH(QString, text);
        QFETCH(QString, storedBank);
        QFETCH(QString, storedText);
        QFETCH(QString, storedAnswer);
        QFETCH(bool, duplicate);
        AddQuestion(server_, storedBank, u"单选题"_s, storedText, storedAnswer, {}, 42);
        Submission s(question(text, bank));
        s.open();
        QCOMPARE(s.connectionError(), 0);
        QCOMPARE(s.duplicateFound(), duplicate);
        if (duplicate) QCOMPARE(s.duplicateId2(), u"42"_s);
        // The batch import's lookup, beside a question that is found, agrees.
        AddQuestion(server_, bank, u"单选题"_s, u"另一题"_s, u"A"_s, {}, 7);
        const auto found = BatchSubmission::FindOnServer(
            server_, {question(text, bank), question(u"另一题"_s, bank)});
        QCOMPARE(found[0].has_value(), duplicate);
        QVERIFY(found[1].has_value());
    }

    void duplicateNamesTheCopyAddedFirst() {
        // The bank and type index hands the later copy (判断题 sorts first) out first.
        AddQuestion(server_, u"会计"_s, u"单选题"_s, u"借方是?"_s, u"A"_s, {}, 5);
        AddQuestion(server_, u"会计"_s, u"判断题"_s, u"借方是?"_s, u"A"_s, {}, 8);
        Submission s(question(u"借方是?"_s, u"会计"_s));
        s.open();
        QVERIFY(s.duplicateFound());
        QCOMPARE(s.duplicateId2(), u"5"_s);
        QCOMPARE(BatchSubmission::FindOnServer(server_, {question(u"借方是?"_s, u"会计"_s)})[0]->id2,
                 u"5"_s);
    }

    // The log table may hold only the columns the tool writes; a log row that
    // cannot be written is named in the final message, the question stays added.
    void logRowNeedsOnlyItsThreeColumns_data() {
        QTest::addColumn<bool>("logTable");
        QTest::newRow("stime, username, body") << true;
        QTest::newRow("no log table") << false;
    }
    void logRowNeedsOnlyItsThreeColumns() {
        QFETCH(bool, logTable);
        server_.execute(u"drop table rizi"_s);
        if (logTable)
            server_.execute(u"create table rizi (stime timestamp, username text, body text)"_s);
        Submission s(question(u"H₂O 是什么?"_s));
        s.open();
        const SubmitOutcome out = s.add();
        const QStringList logged =
            logTable ? Column(server_, u"select body from rizi"_s) : QStringList();
        server_.execute(u"drop table if exists rizi"_s);
        for (const QString& statement : SchemaStatements(server_.backend()))
            if (statement.contains(u"TABLE rizi"_s)) server_.execute(statement);

        QCOMPARE(out.logged, logTable);
        const QString text = Submission::resultText(out, u"H₂O 是什么?"_s);
        if (logTable) {
            QCOMPARE(text, u"成功添加题目 1、【H₂O 是什么?】"_s);
            QCOMPARE(logged, QStringList{u"添加题目【驾驶员题库】→单选题→H₂O 是什么? (id:1)"_s});
        } else {
            QVERIFY2(
                text.startsWith(u"成功添加题目 1、【H₂O 是什么?】；服务器操作日志没有写入："_s) &&
                    text.contains(u"rizi"_s),
                qPrintable(text));
        }
    }

    void groupsBeyond32767AreHeldAt32767() {
        AddQuestionGroup(server_, u"大题库"_s, u"单选题"_s, 40000);
        Submission s(question(u"第四万零一题"_s, u"大题库"_s));
        s.open();
        const SubmitOutcome out = s.add();
        QCOMPARE(out.server.number, std::optional<int>(32767));
        QCOMPARE(out.local.number, std::optional<int>(1));
        QCOMPARE(Count(server_, u"id2 = 32767"_s), qint64(40001 - 32766));
        QCOMPARE(Count(server_, u"id2 = id"_s), qint64(32767));
        QCOMPARE(Count(server_, u"id2 = 32767 and QUESTION = '第四万零一题'"_s), qint64(1));
    }
};

QTEST_GUILESS_MAIN(tst_Submission)
#include "tst_Submission.moc"
