#include <QFile>
#include <QTest>
#include <memory>

#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "editor/QuestionRows.h"
#include "editor/Submission.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// Adding a question to the server (embedded SQLite or PostgreSQL) and to the
// local file.
class tst_Submission : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void init();
    void cleanup();

    void addsTheSameRowWithPicturesToBothDatabases();
    void duplicateIsLookedUpLiterallyOnTheServerOnly_data();
    void duplicateIsLookedUpLiterallyOnTheServerOnly();
    void duplicateNamesTheCopyAddedFirst();
    void unreachableServerStillAddsACompleteLocalRow();
    void groupsBeyond32767AreHeldAt32767();

private:
    QuestionInput question(const QString& text) const;
    std::unique_ptr<TempProgramFolder> folder_;
    QString endpoint_;
    Connection server_;
    Connection local_;
};

void tst_Submission::init() {
    QFETCH_GLOBAL(int, backend);
    folder_ = std::make_unique<TempProgramFolder>();
    endpoint_ = OpenServerAndLocal(Backend(backend), *folder_, server_, local_);
}

void tst_Submission::cleanup() {
    server_.close();
    local_.close();
}

QuestionInput tst_Submission::question(const QString& text) const {
    QuestionInput in;
    in.endpoint = endpoint_;
    in.programFolder = folder_->path();
    in.bank = QStringLiteral("驾驶员题库");
    in.question = text;
    in.answer = QStringLiteral("B");
    in.nandu = QStringLiteral("普通");
    in.why0 = QStringLiteral("--");
    in.adder = QStringLiteral("张三");
    in.qtype = QStringLiteral("单选题");
    in.options = {
        QStringLiteral("停车"), QStringLiteral("减速"), QString(), QString(), QString(), QString()};
    in.username = QStringLiteral("张三");
    in.now = QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0));
    return in;
}

void tst_Submission::addsTheSameRowWithPicturesToBothDatabases() {
    // Numbered out of order before, to see that every id2 is rebuilt.
    AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"旧一"_s, u"A"_s, {}, 9);
    AddQuestion(server_, u"驾驶员题库"_s, u"多选题"_s, u"别的题型"_s, u"AB"_s, {}, 5);
    AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"旧二"_s, u"A"_s, {}, 0);
    AddQuestion(server_, u"驾驶员题库x"_s, u"单选题"_s, u"别的题库"_s, u"A"_s, {}, 7);
    AddQuestion(local_, u"驾驶员题库"_s, u"单选题"_s, u"本地旧一"_s, u"A"_s, {}, 3);

    const QByteArray q = "\xFF\xD8question\x00\x01\xFF\xD9", b = "\xFF\xD8option-b\xFF\xD9",
                     w(70000, 'w');
    folder_->write(u"q.jpg"_s, q);
    folder_->write(u"b.jpg"_s, b);
    folder_->write(u"w.jpg"_s, w);
    QuestionInput in = question(u"红灯亮时应当怎样?"_s);
    in.picturePaths[kQuestionPicture] = folder_->file(u"q.jpg"_s);
    in.picturePaths[kPictureB] = folder_->file(u"b.jpg"_s);
    in.picturePaths[kPictureC] = folder_->file(u"missing.jpg"_s);
    in.picturePaths[kExplanationPicture] = folder_->file(u"w.jpg"_s);

    Submission s(in);
    s.open();
    QCOMPARE(s.connectionError(), 0);
    QVERIFY(!s.duplicateFound());
    const SubmitOutcome out = s.add();
    QVERIFY(out.server.added && out.local.added && out.logged);
    QCOMPARE(out.server.id, qint64(5));
    QCOMPARE(out.local.id, qint64(2));
    QCOMPARE(out.server.number, std::optional<int>(3));
    QCOMPARE(out.local.number, std::optional<int>(2));
    QCOMPARE(Submission::resultText(out, in.question), u"成功添加题目 2、【红灯亮时应当怎样?】"_s);

    for (Connection* c : {&server_, &local_}) {
        Recordset rs;
        rs.open(u"select * from timu where QUESTION = '红灯亮时应当怎样?'"_s, *c);
        QCOMPARE(rs.recordCount(), 1);
        const QStringList expected = {u"驾驶员题库"_s, u"B"_s,    u"单选题"_s, u"普通"_s,
                                      u"--"_s,         u"张三"_s, u"停车"_s,   u"减速"_s};
        const QStringList columns = {u"mantype"_s, u"ANSWER"_s, u"Qtype"_s, u"nandu"_s,
                                     u"why0"_s,    u"adder"_s,  u"SA"_s,    u"SB"_s};
        for (int i = 0; i < columns.size(); ++i) QCOMPARE(rs.text(columns[i]), expected[i]);
        for (const QString& empty : {u"SC"_s, u"SD"_s, u"SE"_s, u"SF"_s}) {
            QVERIFY2(!rs.isNull(empty), qPrintable(empty));  // "", not NULL
            QCOMPARE(rs.text(empty), QString());
        }
        QCOMPARE(rs.field(u"QJPG"_s).toByteArray(), q);
        QCOMPARE(rs.field(u"BJPG"_s).toByteArray(), b);
        QCOMPARE(rs.field(u"WJPG"_s).toByteArray(), w);
        QVERIFY(rs.isNull(u"CJPG"_s));
        QVERIFY(rs.isNull(u"AJPG"_s));
        if (c == &local_)
            QCOMPARE(rs.text(u"sid"_s), u"5"_s);
        else
            QVERIFY(rs.isNull(u"sid"_s));
    }
    QCOMPARE(
        Column(
            server_,
            u"select id2 from timu where mantype = '驾驶员题库' and Qtype = '单选题' order by id"_s),
        (QStringList{u"1"_s, u"2"_s, u"3"_s}));
    QCOMPARE(
        Column(
            server_,
            u"select id2 from timu where Qtype <> '单选题' or mantype <> '驾驶员题库' order by id"_s),
        (QStringList{u"5"_s, u"7"_s}));
    QCOMPARE(Column(local_, u"select id2 from timu order by id"_s), (QStringList{u"1"_s, u"2"_s}));
    QCOMPARE(Column(server_, u"select body from rizi"_s),
             QStringList{u"添加题目【驾驶员题库】→单选题→红灯亮时应当怎样? (id:5)"_s});
    QCOMPARE(Column(server_, u"select username from rizi"_s), QStringList{u"张三"_s});
    QCOMPARE(Column(server_, u"select stime from rizi"_s).value(0).left(19).replace(u'T', u' '),
             u"2024-03-05 09:30:00"_s);
    QCOMPARE(Column(local_, u"select count(*) from rizi"_s), QStringList{u"0"_s});
}

void tst_Submission::duplicateIsLookedUpLiterallyOnTheServerOnly_data() {
    QTest::addColumn<QString>("bank");  // submitted
    QTest::addColumn<QString>("text");  // submitted
    QTest::addColumn<QString>("storedBank");
    QTest::addColumn<QString>("storedText");
    QTest::addColumn<QString>("storedAnswer");
    QTest::addColumn<bool>("onlyLocal");
    QTest::addColumn<bool>("duplicate");
    const QString bank = u"会计"_s, text = u"借方是?"_s;
    QTest::newRow("same on the server") << bank << text << bank << text << u"A"_s << false << true;
    QTest::newRow("other answer") << bank << text << bank << text << u"B"_s << false << false;
    QTest::newRow("other bank") << bank << text << u"会计2"_s << text << u"A"_s << false << false;
    QTest::newRow("only in the local file")
        << bank << text << bank << text << u"A"_s << true << false;
    QTest::newRow("bank holds %") << u"会计%"_s << text << u"会计x"_s << text << u"A"_s << false
                                  << false;
    QTest::newRow("text holds _") << bank << u"借方是_"_s << bank << u"借方是!"_s << u"A"_s << false
                                  << false;
    QTest::newRow("bank with % itself")
        << u"会计%"_s << text << u"会计%"_s << text << u"A"_s << false << true;
}

void tst_Submission::duplicateIsLookedUpLiterallyOnTheServerOnly() {
    QFETCH(QString, bank);
    QFETCH(QString, text);
    QFETCH(QString, storedBank);
    QFETCH(QString, storedText);
    QFETCH(QString, storedAnswer);
    QFETCH(bool, onlyLocal);
    QFETCH(bool, duplicate);
    AddQuestion(onlyLocal ? local_ : server_, storedBank, u"单选题"_s, storedText, storedAnswer, {},
                42);
    QuestionInput in = question(text);
    in.bank = bank;
    in.answer = u"A"_s;
    Submission s(in);
    s.open();
    QCOMPARE(s.connectionError(), 0);
    QCOMPARE(s.duplicateFound(), duplicate);
    if (duplicate) QCOMPARE(s.duplicateId2(), u"42"_s);
}

void tst_Submission::duplicateNamesTheCopyAddedFirst() {
    // The same question under two types: the bank and type index hands the
    // later one (判断题 sorts first) out before the earlier one.
    AddQuestion(server_, u"会计"_s, u"单选题"_s, u"借方是?"_s, u"A"_s, {}, 5);
    AddQuestion(server_, u"会计"_s, u"判断题"_s, u"借方是?"_s, u"A"_s, {}, 8);
    QuestionInput in = question(u"借方是?"_s);
    in.bank = u"会计"_s;
    in.answer = u"A"_s;
    Submission s(in);
    s.open();
    QVERIFY(s.duplicateFound());
    QCOMPARE(s.duplicateId2(), u"5"_s);
}

void tst_Submission::unreachableServerStillAddsACompleteLocalRow() {
    folder_->write(u"a.jpg"_s, "picture-a");
    QuestionInput in = question(u"断网题"_s);
    // Nothing listens on port 1.
    UseServerBackend(Backend::PostgreSql, folder_->path());
    in.endpoint = u"127.0.0.1,1"_s;
    in.picturePaths[kPictureA] = folder_->file(u"a.jpg"_s);
    AddQuestion(local_, in.bank, in.qtype, u"本地已有"_s, u"A"_s, {}, 0);
    Submission s(in);
    s.open();
    QVERIFY(s.connectionError() != 0);
    QVERIFY(!s.duplicateFound());
    const SubmitOutcome out = s.add();
    QVERIFY(!out.server.added);
    QVERIFY(out.local.added);
    QVERIFY(!out.logged);
    QCOMPARE(out.local.number, std::optional<int>(2));
    const QString text = Submission::resultText(out, in.question);
    QVERIFY2(text.startsWith(u"本地库已添加题目 2、【断网题】，但服务器没有写入："_s),
             qPrintable(text));
    Recordset rs;
    rs.open(u"select * from timu where QUESTION = '断网题'"_s, local_);
    QCOMPARE(rs.text(u"adder"_s), u"张三"_s);
    QCOMPARE(rs.text(u"Qtype"_s), u"单选题"_s);
    QCOMPARE(rs.field(u"AJPG"_s).toByteArray(), QByteArray("picture-a"));
    QVERIFY(rs.isNull(u"sid"_s));
    QCOMPARE(rs.text(u"id2"_s), u"2"_s);
}

void tst_Submission::groupsBeyond32767AreHeldAt32767() {
    AddQuestionGroup(server_, u"大题库"_s, u"单选题"_s, 40000);
    QuestionInput in = question(u"第四万零一题"_s);
    in.bank = u"大题库"_s;
    Submission s(in);
    s.open();
    const SubmitOutcome out = s.add();
    QCOMPARE(out.server.number, std::optional<int>(32767));
    QCOMPARE(out.local.number, std::optional<int>(1));
    QCOMPARE(Count(server_, u"id2 = 32767"_s), qint64(40001 - 32766));
    QCOMPARE(Count(server_, u"id2 = id"_s), qint64(32767));
    QCOMPARE(Column(server_, u"select id2 from timu where QUESTION = '第四万零一题'"_s),
             QStringList{u"32767"_s});
}

QTEST_GUILESS_MAIN(tst_Submission)
#include "tst_Submission.moc"
