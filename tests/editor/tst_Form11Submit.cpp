#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>

#include "EditorFixture.h"
#include "bank/GroupLocks.h"
#include "widgets/WindowColours.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// "提交" in the editor against a server (PostgreSQL, SQL Server) and the local file.
class tst_Form11Submit : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> f_;

    // Ticks `type` (unless null) and fills the question.
    void fill(const char* type, const QString& question, const QString& answer, const QString& a,
              const QString& b, const QString& bank = u"驾驶员题库"_s) {
        if (type) f_->check(type)->setChecked(true);
        f_->form->setBankText(bank);
        f_->box("timu")->setText(question);
        f_->edit("answer")->setText(answer);
        f_->edit("SA")->setText(a);
        f_->edit("SB")->setText(b);
    }
    // The same, then "提交".
    void submit(const char* type, const QString& question, const QString& answer, const QString& a,
                const QString& b, const QString& bank = u"驾驶员题库"_s) {
        fill(type, question, answer, a, b, bank);
        f_->click("Command1");
    }
    void capture(const char* button) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QGuiApplication::clipboard()->setImage(picture);
        f_->click(button);
    }
    QByteArray file(const QString& name) {
        QFile fl(f_->folder.path() + u"/sysimg/"_s + name);
        return fl.open(QIODevice::ReadOnly) ? fl.readAll() : QByteArray();
    }
    qint64 rows(Connection& c, const QString& table = u"timu"_s) {
        return c.scalar(u"select count(*) from "_s + table).toLongLong();
    }
    QStringList texts() const { return f_->platform.texts(); }
    QString lastText() const { return f_->platform.lastText(); }
    const QStringList allCommands = {u"Command1"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s};

private slots:
    void initTestCase_data() { AddServerRows(); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        f_ = std::make_unique<EditorFixture>();
        f_->useServer(Backend(backend));
        AddBank(f_->server, u"驾驶员题库"_s);
        f_->open();
    }
    void cleanup() {
        f_.reset();
        SqlServerStandIn::setCodePage936(false);
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }

    void fullQuestionWithPicturesReachesBothDatabases() {
        // Numbered out of order before, to see that every id2 of the group is rebuilt.
        AddQuestion(f_->server, u"驾驶员题库"_s, u"单选题"_s, u"旧题"_s, u"A"_s, {}, 9);
        AddQuestion(f_->server, u"驾驶员题库"_s, u"多选题"_s, u"别的题型"_s, u"AB"_s, {}, 5);
        AddQuestion(f_->server, u"驾驶员题库x"_s, u"单选题"_s, u"别的题库"_s, u"A"_s, {}, 7);
        AddQuestion(f_->local, u"驾驶员题库"_s, u"单选题"_s, u"本地旧题"_s, u"A"_s, {}, 3);
        f_->platform.clock = QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0));
        f_->check("Check1")->setChecked(true);
        for (const char* c : {"timu2jpg", "b2jpg", "why2jpg"}) capture(c);
        // The question picture's "()" is looked up as "（   ）".
        QFile::copy(f_->edit("timu2")->text(), f_->folder.file(u"q（   ）.jpg"_s));
        f_->edit("timu2")->setText(f_->folder.file(u"q().jpg"_s));
        const QString optionB = f_->edit("SB")->text();  // the picture's placeholder
        f_->edit("SC")->setText(u"丙\r\n丁"_s);
        // Longer than a text box holds by default: stored whole, not cut.
        const QString optionD(40000, u'丁');
        f_->edit("SD")->setText(optionD);
        f_->box("why0")->setText(u"依据第三条"_s);
        SetForeColour(f_->child("Label8"), colour::kRed);

        // A no-break space pasted from a web page stays one.
        submit(nullptr, u"It's\u00a0A.B.\r\n第二行"_s, u"b"_s, u"停车"_s, optionB);

        const QString stored = u"It‘s\u00a0AB  第二行"_s;
        QCOMPARE(texts(), QStringList{u"成功添加题目 2、【"_s + stored + u"】"_s});
        QCOMPARE(f_->form->windowTitle(), lastText());
        QCOMPARE(f_->platform.beeps, 1);
        QCOMPARE(ForeColour(f_->child("Label8")), colour::kButtonText);
        QCOMPARE(f_->form->why0save, u"依据第三条"_s);
        QCOMPARE(f_->form->timubak, stored);
        QCOMPARE(f_->form->scbak, u"丙丁"_s);
        QCOMPARE(f_->form->id2bak, u"2"_s);
        QCOMPARE(f_->login.sid, u"2"_s);
        QVERIFY(!file(u"qjpg.jpg"_s).isEmpty());
        const QString where = u"QUESTION = '"_s + stored + u"'"_s;
        for (Connection* c : {&f_->server, &f_->local}) {
            QCOMPARE(Row(*c, where,
                         {u"mantype"_s, u"answer"_s, u"Qtype"_s, u"adder"_s, u"SA"_s, u"SB"_s,
                          u"SC"_s, u"SF"_s, u"why0"_s, u"nandu"_s, u"sid"_s}),
                     (QStringList{u"驾驶员题库"_s, u"B"_s, u"单选题"_s, u"小李"_s, u"停车"_s,
                                  optionB, u"丙丁"_s, u""_s, u"依据第三条"_s, u"普通"_s,
                                  c == &f_->server ? u"<null>"_s : u"4"_s}));
            QCOMPARE(c->scalar(u"select SD from timu where "_s + where).toString(), optionD);
            for (const char* p : {"QJPG", "BJPG", "WJPG"})
                QCOMPARE(c->scalar(u"select "_s + QLatin1String(p) + u" from timu where "_s + where)
                             .toByteArray(),
                         file(QString::fromLatin1(p).toLower() + u".jpg"_s));
            QCOMPARE(Count(*c, where + u" and AJPG is null and CJPG is null"_s), qint64(1));
        }
        QCOMPARE(Column(f_->server, u"select id2 from timu order by id"_s),
                 (QStringList{u"1"_s, u"5"_s, u"7"_s, u"2"_s}));
        QCOMPARE(Column(f_->local, u"select id2 from timu order by id"_s),
                 (QStringList{u"1"_s, u"2"_s}));
        QCOMPARE(Column(f_->server, u"select body || username from rizi"_s),
                 QStringList{u"添加题目【驾驶员题库】→单选题→"_s + stored + u" (id:4)小李"_s});
        QCOMPARE(
            Column(f_->server, u"select stime from rizi"_s).value(0).left(19).replace(u'T', u' '),
            u"2024-03-05 09:30:00"_s);
        QCOMPARE(rows(f_->local, u"rizi"_s), qint64(0));

        // Ready for the next question: pictures unticked, texts cleared, paths kept.
        for (const char* c : {"timu1", "BJPG1", "why1"}) QVERIFY(!f_->check(c)->isChecked());
        QCOMPARE(f_->edit("why2")->text(), QString());
        QCOMPARE(f_->edit("timu2")->text(), f_->folder.file(u"q（   ）.jpg"_s));
        QCOMPARE(f_->box("timu")->text(), QString());
        QCOMPARE(f_->edit("answer")->text(), QString());
        QCOMPARE(f_->box("why0")->text(), u"-"_s);
        QCOMPARE(f_->options(), QStringList(6));
        QVERIFY(f_->check("Check1")->isChecked());
        QCOMPARE(f_->child<QComboBox>("Combo1")->currentText(), u"驾驶员题库"_s);
        QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}), allCommands);
    }

    void missingPictureFileStopsBeforeWriting() {
        f_->check("Check1")->setChecked(true);
        f_->check("CJPG1")->setChecked(true);
        f_->edit("CJPG2")->setText(f_->folder.file(u"missing.jpg"_s));
        submit(nullptr, u"题"_s, u"A"_s, u"甲"_s, u"乙"_s);
        QCOMPARE(lastText(), u"图片文件无法读取："_s + f_->folder.file(u"missing.jpg"_s) +
                                 u"\r\n请重新截屏，或取消勾选“图片”后再提交。"_s);
        QCOMPARE(rows(f_->server) + rows(f_->local), qint64(0));
        QCOMPARE(f_->box("timu")->text(), u"题"_s);
        QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}), allCommands);
    }

    void validationRefusesAndWritesNothing_data() {
        QTest::addColumn<QString>("bank");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("server");  // typed into Combo3; empty: the fixture's
        const QString bank = u"驾驶员题库"_s, q = u"题"_s;
        QTest::newRow("no bank") << QString() << q << u"A"_s << u"甲"_s << u"乙"_s
                                 << u"题库不能为空"_s << QString();
        QTest::newRow("no question")
            << bank << QString() << u"A"_s << u"甲"_s << u"乙"_s << u"题目不能为空"_s << QString();
        QTest::newRow("no answer")
            << bank << q << QString() << u"甲"_s << u"乙"_s << u"答案不能为空"_s << QString();
        QTest::newRow("no option B")
            << bank << q << u"A"_s << u"甲"_s << QString() << u"选项B不能为空"_s << QString();
        // Several fields empty: the first in the window's order is named.
        QTest::newRow("no question, answer or option B")
            << bank << QString() << QString() << u"甲"_s << QString() << u"题目不能为空"_s
            << QString();
        QTest::newRow("no answer or option B")
            << bank << q << QString() << u"甲"_s << QString() << u"答案不能为空"_s << QString();
        QTest::newRow("no option A, answered No")
            << bank << q << u"A"_s << QString() << u"乙"_s
            << u"选项A不能为空，是否全部设置成“如图..”的样子？不清楚就默认点【是】"_s << QString();
        // A typed endpoint is only an address, refused before any connection.
        const QString typed = u"x;provider=p;data source="_s + QDir::tempPath() + u"/qs-evil.mdb"_s;
        QTest::newRow("endpoint that names a file")
            << bank << q << u"A"_s << u"甲"_s << u"乙"_s << EndpointProblem(typed) << typed;
        QTest::newRow("endpoint with a letter in the port")
            << bank << q << u"A"_s << u"甲"_s << u"乙"_s << EndpointProblem(u"127.0.0.1,5974l"_s)
            << u"127.0.0.1,5974l"_s;
    }
    void validationRefusesAndWritesNothing() {
        QFETCH(QString, bank);
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, message);
        QFETCH(QString, server);
        if (!server.isEmpty()) f_->child<QComboBox>("Combo3")->setEditText(server);
        f_->platform.answer(Answer::No);
        // The picked answer's red marking goes even when the question is refused.
        SetForeColour(f_->child("Label8"), colour::kRed);
        submit("Check2", question, answer, a, b, bank);
        QCOMPARE(texts(), QStringList{message});
        QCOMPARE(ForeColour(f_->child("Label8")), colour::kButtonText);
        if (a.isEmpty())
            QCOMPARE(f_->platform.boxes.last().caption, u"选项为空值，是否自动设置成如图.."_s);
        QCOMPARE(rows(f_->server) + rows(f_->local), qint64(0));
        QCOMPARE(f_->box("timu")->text(), question);
        QCOMPARE(f_->edit("SA")->text(), a);
        QVERIFY(f_->child("Command1")->isEnabled());
    }

    void serverLineChoosesTheEndpoint_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("endpoint");
        QTest::newRow("backup line 2") << u"备服务器2线 - 广州番禺移动机房"_s << u"backup2,1434"_s;
        QTest::newRow("main, 1 and 2") << u"主服务器1线2"_s << PgLeftEndpoint();
        QTest::newRow("typed endpoint") << u"10.0.0.5"_s << u"10.0.0.5"_s;
        QTest::newRow("empty") << QString() << u"127.0.0.1"_s;
    }
    void serverLineChoosesTheEndpoint() {
        QFETCH(QString, line);
        QFETCH(QString, endpoint);
        f_->child<QComboBox>("Combo3")->setEditText(line);
        f_->box("why0")->setText(u"--"_s);
        submit(nullptr, u"题"_s, u"A"_s, u"甲"_s, u"乙"_s, QString());  // refused after the choice
        QCOMPARE(f_->form->download, endpoint);
        QCOMPARE(f_->form->why0save, u"【案例分析题】"_s);  // "--" is not kept
    }

    void emptyOptionAAnsweredYesFillsPlaceholders() {
        f_->platform.answer(Answer::Yes);
        submit("Check1", u"看图选择"_s, u"C"_s, QString(), QString());
        QCOMPARE(texts().value(1), u"成功添加题目 1、【看图选择】"_s);
        for (Connection* c : {&f_->server, &f_->local})
            QCOMPARE(Column(*c, u"select SA || SB || SC || SD from timu"_s),
                     QStringList{u"如图A如图B如图C如图D"_s});
    }

    void fillInWithoutOptionBKeepsAnyAfterTheReset_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("填空题") << QByteArray("Check4") << u"填空题"_s;
        QTest::newRow("应用题") << QByteArray("Check5") << u"应用题"_s;
    }
    void fillInWithoutOptionBKeepsAnyAfterTheReset() {
        QFETCH(QByteArray, type);
        QFETCH(QString, name);
        // Ticking the type shows its how-to message first. Ctrl+Enter in the question box
        // submits rather than breaking the line.
        fill(type.constData(), u"填空（）"_s, u"任意"_s, u"答案甲"_s, QString());
        QTest::keyClick(f_->box("timu"), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(lastText(), u"成功添加题目 1、【填空（）】"_s);
        QCOMPARE(Column(f_->server, u"select Qtype || answer || SB from timu"_s),
                 QStringList{name + u"任意"_s});
        QCOMPARE(f_->edit("answer")->text(), u"任意"_s);
    }

    void trueFalseOptionsAndNoTypeBox() {
        submit("Check3", u"红灯可以通行"_s, u"错误"_s, u"正确"_s, u"错误"_s);
        QCOMPARE(lastText(), u"成功添加题目 1、【红灯可以通行】"_s);
        QCOMPARE(f_->options(), (QStringList{u"正确"_s, u"错误"_s, {}, {}, {}, {}}));

        f_->check("Check3")->setChecked(false);  // no type at all
        f_->box("timu")->setText(u"无题型"_s);
        f_->edit("answer")->setText(u"A"_s);
        // Ctrl with the keypad's Enter, from a one-line box.
        QTest::keyClick(f_->edit("answer"), Qt::Key_Enter,
                        Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(lastText(), u"成功添加题目 0、【无题型】"_s);
        QCOMPARE(f_->form->id2bak, u"1"_s);  // from the question before
        for (Connection* c : {&f_->server, &f_->local})
            QCOMPARE(Column(*c, u"select Qtype from timu order by id"_s),
                     (QStringList{u"判断题"_s, u"<null>"_s}));
        QCOMPARE(Column(f_->server, u"select body from rizi where body like '%无题型%'"_s),
                 QStringList{u"添加题目【驾驶员题库】→→无题型 (id:2)"_s});
    }

    void duplicateOnTheServerWritesNothing_data() {
        QTest::addColumn<QString>("bank");
        QTest::addColumn<QString>("stored");  // the question on the server
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("as the submit stores it")
            << u"驾驶员题库"_s << u"It‘s AB"_s << u"It's A.B."_s << true;
        // The SQL Server database may be in code page 936, which lacks ₂.
        QTest::newRow("outside the database's code page")
            << u"驾驶员题库"_s << u"H₂O"_s << u"H₂O"_s << true;
        // Taken as a pattern, the bank would match the stored one.
        QTest::newRow("bank name with ' % _ [, another bank")
            << u"o'k%_[题库"_s << u"题"_s << u"题"_s << false;
        QTest::newRow("bank name with ' % _ [") << u"o'k%_[题库"_s << u"题"_s << u"题"_s << true;
    }
    void duplicateOnTheServerWritesNothing() {
        QFETCH(QString, bank);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, duplicate);
        SqlServerStandIn::setCodePage936(true);
        AddQuestion(f_->server, duplicate ? bank : u"o'kxy[题库"_s, u"单选题"_s, stored, u"A"_s, {},
                    7);
        submit("Check1", typed, u"A"_s, u"甲"_s, u"乙"_s, bank);
        if (!duplicate) {
            QCOMPARE(texts(), QStringList{u"成功添加题目 1、【题】"_s});
            for (Connection* c : {&f_->server, &f_->local})
                QCOMPARE(Column(*c, u"select mantype from timu where id2 = 1"_s),
                         QStringList{bank});
            return;
        }
        QCOMPARE(texts(), QStringList{u"此题已经存在！【服务器】序号是7，不要重复添加。。。。"_s});
        QCOMPARE(rows(f_->server), qint64(1));
        QCOMPARE(rows(f_->local) + rows(f_->server, u"rizi"_s), qint64(0));
        // Reset by "[重置]".
        QCOMPARE(f_->box("timu")->text(), QString());
        QCOMPARE(f_->box("why0")->text(), u"--"_s);
        QCOMPARE(f_->edit("SA")->text(), QString());
        QVERIFY(f_->child("Command1")->isEnabled());
    }

    void questionOnlyInTheLocalFileIsAddedToBoth() {
        // Without a sid the local row waits for the server: it is brought up to date and named
        // by the server's row, not added a second time.
        AddQuestion(f_->local, u"驾驶员题库"_s, u"单选题"_s, u"本地才有"_s, u"A"_s, {}, 1);
        submit("Check1", u"本地才有"_s, u"A"_s, u"甲"_s, u"乙"_s);
        QCOMPARE(lastText(), u"成功添加题目 1、【本地才有】"_s);
        QCOMPARE(rows(f_->server), qint64(1));
        QCOMPARE(Column(f_->local, u"select sid || SA from timu"_s), QStringList{u"1甲"_s});
    }

    void nonAdministratorGetsOnlyTheSubmitButtonBack() {
        f_->login.username = u"小王"_s;
        f_->open();
        for (const char* b : {"Command2", "Command3", "Command4"}) f_->child(b)->setEnabled(true);
        submit("Check1", u"普通用户的题"_s, u"A"_s, u"甲"_s, u"乙"_s);
        QCOMPARE(lastText(), u"成功添加题目 1、【普通用户的题】"_s);
        QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}),
                 QStringList{u"Command1"_s});
        QCOMPARE(Column(f_->local, u"select adder from timu"_s), QStringList{u"小王"_s});
        // After a duplicate too.
        for (const char* b : {"Command2", "Command3", "Command4"}) f_->child(b)->setEnabled(true);
        submit(nullptr, u"普通用户的题"_s, u"A"_s, u"甲"_s, u"乙"_s);
        QCOMPARE(lastText(), u"此题已经存在！【服务器】序号是1，不要重复添加。。。。"_s);
        QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}),
                 QStringList{u"Command1"_s});
    }

    // Another instance holds the bank and type for 2 s: the submit waits for it while the window
    // answers its timer, which is also what lets the other instance go.
    void windowAnswersWhileTheServerHoldsTheSubmit() {
        QFETCH_GLOBAL(int, backend);
        if (Backend(backend) == Backend::SqlServer)
            QSKIP("the stand-in grants every application lock at once");
        DbEnvironment env = DbEnvironment::current();
        env.lockWaitMs = 5000;
        DbEnvironment::configure(env);
        Connection holder;
        OpenServer(holder, PgLeftEndpoint());
        const auto held = BeginLocked(holder, {{u"驾驶员题库"_s, u"单选题"_s}});
        int ticks = 0;
        QTimer timer, release;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        connect(&release, &QTimer::timeout, this, [&] { held->rollback(); });
        timer.start(10);
        release.setSingleShot(true);
        release.start(2000);
        submit("Check1", u"等别人写完的题"_s, u"A"_s, u"甲"_s, u"乙"_s);
        timer.stop();
        QCOMPARE(lastText(), u"成功添加题目 1、【等别人写完的题】"_s);
        QVERIFY2(ticks > 50, qPrintable(QString::number(ticks)));
    }

    void unreachableServer_data() {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<bool>("noLocalFile");
        QTest::newRow("Yes stops") << true << false;
        QTest::newRow("No goes on") << false << false;
        QTest::newRow("No, and no local file either") << false << true;
    }
    void unreachableServer() {
        QFETCH(bool, stop);
        QFETCH(bool, noLocalFile);
        AddQuestion(f_->local, u"驾驶员题库"_s, u"单选题"_s, u"本地已有"_s, u"A"_s, {}, 0);
        const QString localFile = f_->folder.file(u"anguidb.mdb"_s);
        if (noLocalFile) QFile::rename(localFile, localFile + u".away"_s);
        f_->child<QComboBox>("Combo3")->setEditText(u"127.0.0.1,1"_s);  // nothing listens there
        f_->check("Check1")->setChecked(true);
        capture("a2jpg");
        f_->platform.answer(stop ? Answer::Yes : Answer::No);
        submit(nullptr, u"断网时的题"_s, u"A"_s, u"甲"_s, u"乙"_s);
        // The last error: the duplicate query on the connection that did not open.
        QCOMPARE(texts().value(0),
                 u"服务器连接出错，错误码:3709，建议更换服务器重试...是否中止操作？可以换服务器重新"
                 "提交，选【否】强制继续提交数据，但可能会出错卡死。"_s);
        QCOMPARE(f_->platform.boxes.value(0).caption, u"是否更换服务器再重试?"_s);
        QCOMPARE(rows(f_->server), qint64(0));
        QCOMPARE(f_->enabled({"Command1", "Command2", "Command3", "Command4"}), allCommands);
        if (noLocalFile) {
            // Written nowhere: said so, no file made, and the question stays for another try.
            QVERIFY2(lastText().startsWith(u"题目没有添加成功，服务器和本地库都没有写入："_s) &&
                         lastText().contains(u"找不到本地数据库文件："_s + localFile),
                     qPrintable(lastText()));
            QVERIFY(!QFile::exists(localFile));
            QCOMPARE(f_->box("timu")->text(), u"断网时的题"_s);
            QVERIFY(f_->check("AJPG1")->isChecked());
            return;
        }
        if (stop) {
            QCOMPARE(f_->platform.boxes.size(), 1);
            QCOMPARE(rows(f_->local), qint64(1));
            QCOMPARE(f_->box("timu")->text(), u"断网时的题"_s);
            return;
        }
        QVERIFY2(lastText().startsWith(u"本地库已添加题目 2、【断网时的题】，但服务器没有写入："_s),
                 qPrintable(lastText()));
        QCOMPARE(f_->form->windowTitle(), lastText());
        // The local row takes its values from the window, not from the server row.
        const QString where = u"QUESTION = '断网时的题'"_s;
        QCOMPARE(Row(f_->local, where, {u"adder"_s, u"Qtype"_s, u"SA"_s, u"id2"_s, u"sid"_s}),
                 (QStringList{u"小李"_s, u"单选题"_s, u"甲"_s, u"2"_s, u"<null>"_s}));
        QCOMPARE(f_->local.scalar(u"select AJPG from timu where "_s + where).toByteArray(),
                 file(u"ajpg.jpg"_s));
        // Both local rows wait for the server (the one before had no sid either); once it
        // answers they are sent, and the one it refuses is named.
        QCOMPARE(f_->child<QLabel>("Label33")->text(), u"上传本地题目（2道待上传）"_s);
        f_->child<QComboBox>("Combo3")->setEditText(PgLeftEndpoint());
        f_->click("Label33");
        QCOMPARE(lastText(),
                 u"上传本地题目完成：上传 1 道，服务器已有 0 道，失败 1 道\r\n"
                 "【本地已有】选项A不能为空"_s);
        QCOMPARE(Column(f_->server, u"select QUESTION || id2 from timu"_s),
                 QStringList{u"断网时的题1"_s});
        QCOMPARE(Column(f_->local, u"select coalesce(sid, '-') from timu order by id"_s),
                 (QStringList{u"-"_s, u"1"_s}));
        QCOMPARE(f_->child<QLabel>("Label33")->text(), u"上传本地题目（1道待上传）"_s);
    }
};

QTEST_MAIN(tst_Form11Submit)
#include "tst_Form11Submit.moc"
