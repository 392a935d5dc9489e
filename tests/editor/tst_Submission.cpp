#include <QTest>
#include <memory>

#include "db/Endpoints.h"
#include "editor/QuestionRows.h"
#include "editor/Submission.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// Adding a question to the server (embedded SQLite or PostgreSQL) and to the
// local file; what the editor window cannot reach or set up cheaply.
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
        in.answer = u"B"_s;
        in.nandu = u"普通"_s;
        in.why0 = u"--"_s;
        in.adder = in.username = u"张三"_s;
        in.qtype = u"单选题"_s;
        in.options = {u"停车"_s, u"减速"_s, {}, {}, {}, {}};
        in.now = QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0));
        return in;
    }
    QByteArray blob(Connection& c, const QString& column) {
        return c.scalar(u"select "_s + column + u" from timu where QUESTION = '红灯'"_s)
            .toByteArray();
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

    void addsTheSameRowWithPicturesToBothDatabases() {
        // Numbered out of order before, to see that every id2 of the group is rebuilt.
        AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"旧一"_s, u"A"_s, {}, 9);
        AddQuestion(server_, u"驾驶员题库"_s, u"多选题"_s, u"别的题型"_s, u"AB"_s, {}, 5);
        AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"旧二"_s, u"A"_s, {}, 0);
        AddQuestion(server_, u"驾驶员题库x"_s, u"单选题"_s, u"别的题库"_s, u"A"_s, {}, 7);
        AddQuestion(local_, u"驾驶员题库"_s, u"单选题"_s, u"本地旧一"_s, u"A"_s, {}, 3);
        const QByteArray q("\xFF\xD8question\x00\x01\xFF\xD9", 14), w(70000, 'w');
        folder_->write(u"q.jpg"_s, q);
        folder_->write(u"w.jpg"_s, w);
        QuestionInput in = question(u"红灯"_s);
        in.picturePaths[kQuestionPicture] = folder_->file(u"q.jpg"_s);
        in.picturePaths[kPictureC] = folder_->file(u"missing.jpg"_s);
        in.picturePaths[kExplanationPicture] = folder_->file(u"w.jpg"_s);

        Submission s(in);
        s.open();
        QCOMPARE(s.connectionError(), 0);
        QVERIFY(!s.duplicateFound());
        const SubmitOutcome out = s.add();
        QVERIFY(out.server.added && out.local.added && out.logged);
        QCOMPARE(out.server.id, qint64(5));
        QCOMPARE(out.server.number, std::optional<int>(3));
        QCOMPARE(out.local.number, std::optional<int>(2));
        const QStringList columns = {u"mantype"_s, u"ANSWER"_s, u"Qtype"_s, u"nandu"_s, u"why0"_s,
                                     u"adder"_s,   u"SA"_s,     u"SB"_s,    u"SC"_s,    u"SF"_s};
        for (Connection* c : {&server_, &local_}) {
            QCOMPARE(Row(*c, u"QUESTION = '红灯'"_s, columns),
                     (QStringList{u"驾驶员题库"_s, u"B"_s, u"单选题"_s, u"普通"_s, u"--"_s,
                                  u"张三"_s, u"停车"_s, u"减速"_s, u""_s, u""_s}));
            QCOMPARE(blob(*c, u"QJPG"_s), q);
            QCOMPARE(blob(*c, u"WJPG"_s), w);
            QCOMPARE(Count(*c, u"QUESTION = '红灯' and CJPG is null and AJPG is null"_s),
                     qint64(1));
            QCOMPARE(Row(*c, u"QUESTION = '红灯'"_s, {u"sid"_s}),
                     QStringList{c == &local_ ? u"5"_s : u"<null>"_s});
        }
        QCOMPARE(Column(server_, u"select id2 from timu order by id"_s),
                 (QStringList{u"1"_s, u"5"_s, u"2"_s, u"7"_s, u"3"_s}));
        QCOMPARE(Column(local_, u"select id2 from timu order by id"_s),
                 (QStringList{u"1"_s, u"2"_s}));
        QCOMPARE(Column(server_, u"select body from rizi"_s),
                 QStringList{u"添加题目【驾驶员题库】→单选题→红灯 (id:5)"_s});
        QCOMPARE(Column(server_, u"select username from rizi"_s), QStringList{u"张三"_s});
        QCOMPARE(Column(server_, u"select stime from rizi"_s).value(0).left(19).replace(u'T', u' '),
                 u"2024-03-05 09:30:00"_s);
        QCOMPARE(Column(local_, u"select count(*) from rizi"_s), QStringList{u"0"_s});
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
    }
    void duplicateIsLookedUpLiterally() {
        QFETCH(QString, bank);
        QFETCH(QString, text);
        QFETCH(QString, storedBank);
        QFETCH(QString, storedText);
        QFETCH(QString, storedAnswer);
        QFETCH(bool, duplicate);
        AddQuestion(server_, storedBank, u"单选题"_s, storedText, storedAnswer, {}, 42);
        QuestionInput in = question(text, bank);
        in.answer = u"A"_s;
        Submission s(in);
        s.open();
        QCOMPARE(s.connectionError(), 0);
        QCOMPARE(s.duplicateFound(), duplicate);
        if (duplicate) QCOMPARE(s.duplicateId2(), u"42"_s);
    }

    void duplicateNamesTheCopyAddedFirst() {
        // The bank and type index hands the later copy (判断题 sorts first) out first.
        AddQuestion(server_, u"会计"_s, u"单选题"_s, u"借方是?"_s, u"A"_s, {}, 5);
        AddQuestion(server_, u"会计"_s, u"判断题"_s, u"借方是?"_s, u"A"_s, {}, 8);
        QuestionInput in = question(u"借方是?"_s, u"会计"_s);
        in.answer = u"A"_s;
        Submission s(in);
        s.open();
        QVERIFY(s.duplicateFound());
        QCOMPARE(s.duplicateId2(), u"5"_s);
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
