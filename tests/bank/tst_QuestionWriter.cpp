#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <memory>
#include <thread>

#include "bank/GroupLocks.h"
#include "bank/QuestionWriter.h"
#include "db/Endpoints.h"
#include "db/Schema.h"
#include "editor/QuestionRows.h"
#include "support/TestDatabases.h"
#include "support/TestProxy.h"
#include "sync/ReplicationPass.h"
#include "sync/SyncPasses.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The writer on the server (embedded SQLite or PostgreSQL) and the local file, with data and
// timing the windows cannot set up cheaply: duplicates, the log, two instances at once, locks
// and a commit whose answer is lost. The windows' tests check what each command writes.
class tst_QuestionWriter : public QObject {
    Q_OBJECT
    std::unique_ptr<TempProgramFolder> folder_;
    QString endpoint_;
    Connection server_, local_;

    Question question(const QString& text, const QString& bank = u"驾驶员题库"_s) const {
        Question q;
        q.bank = bank;
        q.question = text;
        q.answer = u"A"_s;
        q.nandu = u"普通"_s;
        q.why0 = u"--"_s;
        q.adder = u"张三"_s;
        q.qtype = u"单选题"_s;
        q.options = {u"停车"_s, u"减速"_s, {}, {}, {}, {}};
        return q;
    }
    WriteContext context(const QString& endpoint = {}) const {
        return {endpoint.isEmpty() ? endpoint_ : endpoint, folder_->path(), u"张三"_s,
                QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0))};
    }
    SubmitOutcome submit(const Question& q, const QString& endpoint = {}) {
        QuestionWriter w(context(endpoint));
        const AddCheck check = w.checkAdd(q);
        if (check.duplicate)
            return SubmitOutcome{{}, {}, false, {}, true, check.duplicateId2, {}, {}};
        return w.add();
    }
    bool postgres() const { return server_.backend() == Backend::PostgreSql; }

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
        const AddCheck check = QuestionWriter(context()).checkAdd(question(text, bank));
        QCOMPARE(check.connectionError, 0);
        QCOMPARE(check.duplicate, duplicate);
        if (duplicate) QCOMPARE(check.duplicateId2, u"42"_s);
        // The batch import's lookup, beside a question that is found, agrees.
        AddQuestion(server_, bank, u"单选题"_s, u"另一题"_s, u"A"_s, {}, 7);
        const auto found = QuestionWriter(context()).findOnServer(
            {question(text, bank), question(u"另一题"_s, bank)});
        QCOMPARE(found[0].has_value(), duplicate);
        QVERIFY(found[1].has_value());
    }

    void duplicateNamesTheCopyAddedFirst() {
        // The bank and type index hands the later copy (判断题 sorts first) out first.
        AddQuestion(server_, u"会计"_s, u"单选题"_s, u"借方是?"_s, u"A"_s, {}, 5);
        AddQuestion(server_, u"会计"_s, u"判断题"_s, u"借方是?"_s, u"A"_s, {}, 8);
        QCOMPARE(QuestionWriter(context()).checkAdd(question(u"借方是?"_s, u"会计"_s)).duplicateId2,
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
        const SubmitOutcome out = submit(question(u"H₂O 是什么?"_s));
        const QStringList logged =
            logTable ? Column(server_, u"select body from rizi"_s) : QStringList();
        server_.execute(u"drop table if exists rizi"_s);
        for (const QString& statement : SchemaStatements(server_.backend()))
            if (statement.contains(u"TABLE rizi"_s)) server_.execute(statement);

        QCOMPARE(out.logged, logTable);
        const QString text = QuestionWriter::resultText(out, u"H₂O 是什么?"_s);
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
        const SubmitOutcome out = submit(question(u"第四万零一题"_s, u"大题库"_s));
        QCOMPARE(out.server.number, std::optional<int>(32767));
        QCOMPARE(out.local.number, std::optional<int>(1));
        QCOMPARE(Count(server_, u"id2 = 32767"_s), qint64(40001 - 32766));
        QCOMPARE(Count(server_, u"id2 = id"_s), qint64(32767));
        QCOMPARE(Count(server_, u"id2 = 32767 and QUESTION = '第四万零一题'"_s), qint64(1));
    }

    // Two instances (two threads, each with its own connections) submit or import the same
    // questions at once into one bank and type, sharing the local file.
    void twoInstancesStoreEachQuestionOnce_data() {
        QTest::addColumn<bool>("batch");
        QTest::newRow("submit") << false;
        QTest::newRow("batch import") << true;
    }
    void twoInstancesStoreEachQuestionOnce() {
        QFETCH(bool, batch);
        constexpr int kQuestions = 300;
        QVector<Question> paper;
        for (int i = 1; i <= kQuestions; ++i) paper << question(u"第%1题"_s.arg(i));
        QVector<int> addedBy[2] = {QVector<int>(kQuestions), QVector<int>(kQuestions)};
        auto instance = [&](int n) {
            if (batch) {
                const BatchOutcome out = QuestionWriter(context()).addMany(paper);
                for (int i = 0; i < kQuestions; ++i)
                    addedBy[n][i] = out.rows[i].status == BatchRowResult::Status::Added;
                return;
            }
            for (int i = 0; i < kQuestions; ++i) addedBy[n][i] = submit(paper[i]).server.added;
        };
        std::thread other(instance, 1);
        instance(0);
        other.join();
        for (Connection* c : {&server_, &local_})
            QCOMPARE(
                Column(*c,
                       u"select count(*) || '/' || count(distinct QUESTION) || '/' || "
                       "min(id2) || '/' || max(id2) || '/' || count(distinct id2) from timu"_s),
                QStringList{u"300/300/1/300/300"_s});
        for (int i = 0; i < kQuestions; ++i) QCOMPARE(addedBy[0][i] + addedBy[1][i], 1);
    }

    // A question whose submission waits (a trigger holds its log row) is copied to the other
    // server only once it has its number.
    void synchronisationCopiesOnlyNumberedQuestions() {
        if (!postgres()) QSKIP("only PostgreSQL's triggers can wait");
        server_.execute(
            u"create function qs_hold() returns trigger language plpgsql as "
            "$$ begin perform pg_sleep(1); return new; end $$"_s);
        server_.execute(
            u"create trigger qs_hold before insert on rizi for each row execute function qs_hold()"_s);
        const auto dropTrigger = qScopeGuard([this] {
            server_.execute(u"drop trigger qs_hold on rizi"_s);
            server_.execute(u"drop function qs_hold"_s);
        });
        Connection right;
        OpenServer(right, PgRightEndpoint());
        ResetDatabase(right);
        std::thread submission([this] { submit(question(u"同步时正在提交的题"_s)); });
        QDeadlineTimer deadline(10000);
        while (
            server_.scalar(u"select count(*) from pg_stat_activity where wait_event = 'PgSleep'"_s)
                    .toInt() == 0 &&
            !deadline.hasExpired())
            QThread::msleep(20);
        ReplicationPass(server_, right, QuestionPass(SyncDirection::Right)).run();
        submission.join();
        ReplicationPass(server_, right, QuestionPass(SyncDirection::Right)).run();
        QCOMPARE(Column(right, u"select QUESTION || ':' || id2 from timu"_s),
                 QStringList{u"同步时正在提交的题:1"_s});
    }

    // Another instance holds the lock beyond the wait: the command says so and writes nothing.
    void lockNotGrantedWritesNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("submit") << u"submit"_s;
        QTest::newRow("batch import") << u"batch"_s;
        QTest::newRow("delete") << u"delete"_s;
        QTest::newRow("renumber the bank") << u"renumber"_s;
    }
    void lockNotGrantedWritesNothing() {
        QFETCH(QString, command);
        const QString bank = u"驾驶员题库"_s;
        const qint64 id = AddQuestion(server_, bank, u"单选题"_s, u"旧题"_s, u"A"_s, {}, 9);
        AddQuestion(local_, bank, u"单选题"_s, u"旧题"_s, u"A"_s, {}, 9);
        local_.execute(u"update timu set sid = '%1'"_s.arg(id));
        DbEnvironment env = DbEnvironment::current();
        env.lockWaitMs = 300;
        DbEnvironment::configure(env);
        Connection holder;
        OpenServer(holder, endpoint_);
        const auto held = BeginLocked(holder, {{bank, u"单选题"_s}});

        QString said;
        if (command == u"submit") {
            said = QuestionWriter::resultText(submit(question(u"新题"_s)), u"新题"_s);
        } else if (command == u"batch") {
            said = QuestionWriter::SummaryText(
                QuestionWriter(context()).addMany({question(u"新题"_s)}), {1});
        } else if (command == u"delete") {
            said = QuestionWriter(context()).remove({id}).text;
        } else {
            try {
                QuestionWriter(context()).renumberBank(bank);
            } catch (const WorkFailure& f) {
                said = f.message(u"重置题号顺序"_s);
            }
        }
        const QString refused =
            LockRefusedText(bank, command == u"renumber" ? QString() : u"单选题"_s);
        QVERIFY2(said.contains(refused), qPrintable(said));
        QVERIFY(refused.contains(u"等了 1 秒还没有轮到，这次没有写入任何内容"_s));
        held->rollback();
        for (Connection* c : {&server_, &local_})
            QCOMPARE(Column(*c, u"select QUESTION || ':' || id2 from timu"_s),
                     QStringList{u"旧题:9"_s});
    }

    // While the server is away (a proxy that refuses links, or its file renamed away) questions
    // wait in the local file, each once; when it answers again they are sent, each once.
    void waitingQuestionsAreUploadedOnceTheServerAnswers() {
        const QString file = EmbeddedServerFile(endpoint_);
        TestProxy proxy(endpoint_);
        const QString endpoint = postgres() ? proxy.endpoint() : endpoint_;
        auto away = [&](bool gone) {
            if (postgres())
                proxy.setMode(gone ? TestProxy::Mode::Down : TestProxy::Mode::Forward);
            else
                QFile::rename(gone ? file : file + u".away"_s, gone ? file + u".away"_s : file);
        };
        ConnectionKeeper keeper;  // kept from one command to the next, as the program keeps them
        auto writer = [&] { return QuestionWriter(context(endpoint), keeper); };
        QCOMPARE(writer().waitingCount(), 0);
        away(true);
        for (const QString& text : {u"断网题一"_s, u"断网题二"_s, u"断网题一"_s}) {
            QuestionWriter w = writer();
            w.checkAdd(question(text));
            QVERIFY(w.add().local.added);
        }
        QCOMPARE(writer().waitingCount(), 2);
        QVERIFY_THROWS_EXCEPTION(WorkFailure, writer().uploadWaiting());
        away(false);
        AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"断网题二"_s, u"A"_s, {}, 7);
        QCOMPARE(QuestionWriter::UploadText(writer().uploadWaiting()),
                 u"上传本地题目完成：上传 1 道，服务器已有 1 道，失败 0 道\r\n"
                 "【断网题二】服务器已有，没有重复添加"_s);
        QCOMPARE(Column(server_, u"select QUESTION || ':' || id2 from timu order by id"_s),
                 (QStringList{u"断网题二:1"_s, u"断网题一:2"_s}));
        QCOMPARE(Column(local_, u"select QUESTION || ':' || sid from timu order by id"_s),
                 (QStringList{u"断网题一:2"_s, u"断网题二:1"_s}));
        QCOMPARE(QuestionWriter::UploadText(writer().uploadWaiting()),
                 u"本地库没有等待上传的题目。"_s);
    }

    // The link breaks right after COMMIT reached the server: the command says the outcome is
    // not known, and the next command reads what the server did.
    void lostCommitIsSaidAndReadBack_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("found");
        QTest::newRow("submit")
            << u"submit"_s
            << u"本地库已添加题目 2、【新题】；服务器没有回复，不知道服务器是否已经保存这道题（"_s
            << u"上一道题【新题】提交时服务器没有回复；现在查到服务器已经保存了这道题，序号是2。"_s;
        QTest::newRow("save") << u"save"_s << u"服务器没有回复，不知道服务器是否已经保存了修改（"_s
                              << u"上次保存修改时服务器没有回复；现在查到服务器已经保存了修改。"_s;
        QTest::newRow("delete") << u"delete"_s
                                << u"服务器没有回复，不知道服务器是否已经删除了这 1 道题目（"_s
                                << u"上次删除题目时服务器没有回复；现在查到服务器上的 1 道题目"
                                   "已经删除。"_s;
    }
    void lostCommitIsSaidAndReadBack() {
        if (!postgres()) QSKIP("an embedded server has no link to lose");
        QFETCH(QString, command);
        QFETCH(QString, said);
        QFETCH(QString, found);
        const qint64 id = AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"旧题"_s);
        AddQuestion(local_, u"驾驶员题库"_s, u"单选题"_s, u"旧题"_s);
        local_.execute(u"update timu set sid = '%1'"_s.arg(id));
        TestProxy proxy(endpoint_);
        QuestionWriter w(context(proxy.endpoint()));
        EditResult result;
        if (command == u"submit") {
            w.checkAdd(question(u"新题"_s));
            proxy.setMode(TestProxy::Mode::DropAfterCommit);
            const SubmitOutcome out = w.add();
            result = {false, QuestionWriter::resultText(out, u"新题"_s), out.unknown};
        } else if (command == u"save") {
            const StoredQuestion before = *w.load(id);
            Question after = before.values;
            after.question = u"改过的题"_s;
            proxy.setMode(TestProxy::Mode::DropAfterCommit);
            result = w.save(before, after, false);
        } else {
            w.load(id);
            proxy.setMode(TestProxy::Mode::DropAfterCommit);
            result = w.remove({id});
        }
        QCOMPARE(proxy.drops(), 1);
        QVERIFY2(result.text.startsWith(said) && !result.text.contains(u"没有改动"_s),
                 qPrintable(result.text));
        QVERIFY(result.text.endsWith(u"下次操作时会先到服务器上查看。"_s));
        PendingCheck pending;
        pending.keep(result.unknown);
        ConnectionKeeper keeper;
        QCOMPARE(pending.settle(keeper, folder_->path()), found);
        QVERIFY(!pending.pending());
    }
};

QTEST_GUILESS_MAIN(tst_QuestionWriter)
#include "tst_QuestionWriter.moc"
