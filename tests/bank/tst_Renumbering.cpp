#include <QTest>
#include <memory>

#include "bank/QuestionWriter.h"
#include "db/Endpoints.h"
#include "editor/QuestionRows.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// Renumbering a bank type by type on the server and then the local file.
class tst_Renumbering : public QObject {
    Q_OBJECT
    std::unique_ptr<TempProgramFolder> folder_;
    QString endpoint_;
    Connection server_, local_;
    QStringList captions_;
    QuestionWriter::Progress progress = [this](const QString& c) { captions_ << c; };
    qint64 renumber(const QString& bank, const QuestionWriter::Progress& p = {}) {
        return QuestionWriter({endpoint_, folder_->path(), {}, {}}).renumberBank(bank, p);
    }

    // Three single-choice, two true/false, one fill-in and one row of an unknown
    // type, with another bank's row between them.
    void addBank(Connection& c) {
        const QString bank = u"会计基础"_s;
        AddQuestion(c, bank, u"单选题"_s, u"q1"_s, u"ba"_s, u"依据"_s, 7);
        AddQuestion(c, u"会计基础2"_s, u"单选题"_s, u"other"_s, u"ba"_s, u"x"_s, 7);
        AddQuestion(c, bank, u"判断题"_s, u"t1"_s, u"A,C"_s, {}, 0);
        AddQuestion(c, bank, u"单选题"_s, u"q2"_s, u"任意"_s, u""_s, 0);
        AddQuestion(c, bank, u"填空题"_s, u"f1"_s, u"任意"_s, u"f"_s, 0);
        AddQuestion(c, bank, u"单选题"_s, u"q3"_s, {}, u"y"_s, 3);
        AddQuestion(c, bank, u"判断题"_s, u"t2"_s, u"fedcbaFA"_s, u"z"_s, 9);
        AddQuestion(c, bank, u"论述题"_s, u"odd"_s, u"ba"_s, u"o"_s, 9);
    }
    QStringList answers() { return Column(server_, u"select answer from timu order by id"_s); }

private slots:
    void initTestCase_data() { AddBackendRows(); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        folder_ = std::make_unique<TempProgramFolder>();
        endpoint_ = OpenServerAndLocal(Backend(backend), *folder_, server_, local_);
        captions_.clear();
    }
    void cleanup() {
        server_.close();
        local_.close();
    }

    void numbersNormalisesAndAppendsOnBothDatabases() {
        addBank(server_);
        addBank(local_);
        QCOMPARE(renumber(u"会计基础"_s, progress), qint64(12));
        // Each type on the server, then on the local file, before the next type.
        QCOMPARE(captions_, (QStringList{u"3)正在处理:【服务器】会计基础 单选题:3"_s,
                                         u"6)正在处理:【本地库】会计基础 单选题:3"_s,
                                         u"8)正在处理:【服务器】会计基础 判断题:2"_s,
                                         u"10)正在处理:【本地库】会计基础 判断题:2"_s,
                                         u"11)正在处理:【服务器】会计基础 填空题:1"_s,
                                         u"12)正在处理:【本地库】会计基础 填空题:1"_s}));
        for (Connection* c : {&server_, &local_}) {
            QCOMPARE(Column(*c, u"select id2 from timu order by id"_s),
                     (QStringList{u"1"_s, u"7"_s, u"1"_s, u"2"_s, u"1"_s, u"3"_s, u"2"_s, u"9"_s}));
            QCOMPARE(Column(*c, u"select answer from timu order by id"_s),
                     (QStringList{u"AB"_s, u"ba"_s, u"AC"_s, u""_s, u"任意"_s, u""_s, u"ABCDEF"_s,
                                  u"ba"_s}));
            QCOMPARE(Column(*c, u"select why0 from timu order by id"_s),
                     (QStringList{u"依据 "_s, u"x"_s, u" "_s, u" "_s, u"f "_s, u"y "_s, u"z "_s,
                                  u"o"_s}));
        }
    }

    void bankNameWithWildcardsTouchesOnlyItself() {
        for (const QString& bank : {u"题库%_"_s, u"题库%_a"_s, u"题库ab"_s})
            AddQuestionGroup(server_, bank, u"单选题"_s, 3, u"ba"_s, u"题"_s, 0);
        QCOMPARE(renumber(u"题库%_"_s), qint64(3));
        QCOMPARE(answers(), (QStringList{u"AB"_s, u"AB"_s, u"AB"_s} + QStringList(6, u"ba"_s)));
        QCOMPARE(Count(server_, u"id2 = 0"_s), qint64(6));
    }

    void trueFalseAnswerWordsAreKept() {
        for (const QString& answer : {u"正确"_s, u"错误"_s, u"b"_s})
            AddQuestion(server_, u"判断"_s, u"判断题"_s, u"t"_s, answer, {}, 0);
        AddQuestion(server_, u"判断"_s, u"单选题"_s, u"s1"_s, u"正确"_s, {}, 0);
        renumber(u"判断"_s);
        QCOMPARE(answers(), (QStringList{u"正确"_s, u"错误"_s, u"B"_s, u""_s}));
    }

    void localFailureStopsAfterTheServersFirstType() {
        addBank(server_);
        addBank(local_);
        local_.execute(
            u"create trigger refuse before update on timu "
            "begin select raise(abort, '不许修改'); end"_s);
        try {
            renumber(u"会计基础"_s, progress);
            QFAIL("a local file that refuses must stop the renumbering");
        } catch (const WorkFailure& f) {
            QCOMPARE(f.side(), Side::Local);
        }
        QCOMPARE(captions_, QStringList{u"3)正在处理:【服务器】会计基础 单选题:3"_s});
        // The server's first type is renumbered, its next types were not reached.
        QCOMPARE(
            Column(server_, u"select id2 from timu where QUESTION in ('q1', 't2') order by id"_s),
            (QStringList{u"1"_s, u"9"_s}));
    }
};

QTEST_GUILESS_MAIN(tst_Renumbering)
#include "tst_Renumbering.moc"
