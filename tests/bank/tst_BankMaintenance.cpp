#include <QScopeGuard>
#include <QTest>
#include <memory>

#include "bank/BankMaintenance.h"
#include "bank/QuestionWriter.h"
#include "db/Endpoints.h"
#include "editor/QuestionRows.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// Deleting and counting a bank's questions on the local file and the server:
// the progress, and failures the editor window cannot inject.
class tst_BankMaintenance : public QObject {
    Q_OBJECT
    std::unique_ptr<TempProgramFolder> folder_;
    QString endpoint_;
    Connection server_, local_;
    QStringList captions_;
    BankMaintenance::Progress progress = [this](const QString& c) { captions_ << c; };

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

    void deletesOnlyTheNamedBankWithProgress_data() {
        QTest::addColumn<bool>("withBankRows");
        QTest::newRow("questions only") << false;
        QTest::newRow("bank and questions") << true;
    }
    void deletesOnlyTheNamedBankWithProgress() {
        QFETCH(bool, withBankRows);
        const QString bank = u"会计%_"_s;
        for (Connection* c : {&server_, &local_}) {
            for (const QString& b : {bank, u"会计基础"_s, u"会计%_x"_s, u"会计"_s}) AddBank(*c, b);
            AddQuestionGroup(*c, u"会计基础"_s, u"单选题"_s, 3);
            AddQuestionGroup(*c, u"会计%_x"_s, u"单选题"_s, 2);
        }
        // More on the server than locally: the result counts the server's rows.
        AddQuestionGroup(server_, bank, u"单选题"_s, 1500);
        AddQuestionGroup(server_, bank, u"判断题"_s, 1000);
        AddQuestionGroup(local_, bank, u"多选题"_s, 4);

        QCOMPARE(QuestionWriter({endpoint_, folder_->path(), {}, {}})
                     .deleteBank(bank, withBankRows, progress),
                 2500);
        QCOMPARE(captions_,
                 (QStringList{u"4/4"_s, u"1000/2500"_s, u"2000/2500"_s, u"2500/2500"_s}));
        QStringList banks{u"会计基础"_s, u"会计%_x"_s, u"会计"_s};
        if (!withBankRows) banks.prepend(bank);
        for (Connection* c : {&server_, &local_}) {
            QCOMPARE(Column(*c, u"select mantype from timu group by mantype order by mantype"_s),
                     (QStringList{u"会计%_x"_s, u"会计基础"_s}));
            QCOMPARE(Column(*c, u"select mantype from alltype order by id"_s), banks);
        }
    }

    void countsExactNamesOnBothDatabases() {
        AddQuestionGroup(server_, u"会计基础"_s, u"单选题"_s, 118);
        AddQuestionGroup(local_, u"会计基础"_s, u"单选题"_s, 120);
        AddQuestionGroup(server_, u"会计基%"_s, u"单选题"_s, 5);
        AddQuestionGroup(server_, u"O'Neil"_s, u"单选题"_s, 1);
        BankMaintenance m(local_, server_, progress);
        QCOMPARE(m.countQuestions(u"会计基础"_s), u"会计基础 本地库有题目:120 服务器有题目:118"_s);
        QCOMPARE(captions_.value(0), u"会计基础 本地库有题目:120"_s);
        QCOMPARE(m.countQuestions(u"会计基%"_s), u"会计基% 本地库暂无题目 服务器有题目:5"_s);
        QCOMPARE(m.countQuestions(u"O'Neil"_s), u"O'Neil 本地库暂无题目 服务器有题目:1"_s);
    }

    void serverFailureStopsAfterTheLocalFile() {
        AddQuestionGroup(local_, u"会计"_s, u"单选题"_s, 3);
        AddQuestionGroup(server_, u"会计"_s, u"单选题"_s, 3);
        server_.execute(u"alter table timu rename to timu_away"_s);
        const auto back =
            qScopeGuard([this] { server_.execute(u"alter table timu_away rename to timu"_s); });
        try {
            QuestionWriter({endpoint_, folder_->path(), {}, {}})
                .deleteBank(u"会计"_s, false, progress);
            QFAIL("a server without its table must stop the deletion");
        } catch (const WorkFailure& f) {
            QCOMPARE(f.side(), Side::Server);
            QVERIFY(
                f.message(u"删除题目"_s).startsWith(u"删除题目失败，已停止：【服务器】错误码 "_s));
        }
        QCOMPARE(captions_, QStringList{u"3/3"_s});
        QCOMPARE(Count(local_, u"1=1"_s), qint64(0));
    }
};

QTEST_GUILESS_MAIN(tst_BankMaintenance)
#include "tst_BankMaintenance.moc"
