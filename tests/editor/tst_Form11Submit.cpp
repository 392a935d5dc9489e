#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include "EditorFixture.h"
#include "db/Recordset.h"
#include "editor/MultiLineTextBox.h"
#include "editor/QuestionRows.h"
#include "editor/WindowColours.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// "提交" in the editor against a PostgreSQL server and the local file.
class tst_Form11Submit : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fullQuestionWithPicturesReachesBothDatabases();
    void validationRefusesAndWritesNothing_data();
    void validationRefusesAndWritesNothing();
    void serverLineChoosesTheEndpoint_data();
    void serverLineChoosesTheEndpoint();
    void emptyOptionAAnsweredYesFillsPlaceholders();
    void fillInWithoutOptionBKeepsAnyAfterTheReset();
    void trueFalseOptionsAndNoTypeBox();
    void duplicateOnTheServerWritesNothing();
    void questionOnlyInTheLocalFileIsAddedToBoth();
    void nonAdministratorGetsOnlyTheSubmitButtonBack();
    void unreachableServer_data();
    void unreachableServer();

private:
    void compose(const QString& bank, const QString& question, const QString& answer,
                 const QString& a, const QString& b);
    void submit() { QTest::mouseClick(f_->child<QPushButton>("Command1"), Qt::LeftButton); }
    qint64 rows(Connection& c, const QString& table = u"timu"_s) {
        return c.scalar(u"select count(*) from "_s + table).toLongLong();
    }
    QLineEdit* edit(const char* name) const { return f_->child<QLineEdit>(name); }
    MultiLineTextBox* box(const char* name) const { return f_->child<MultiLineTextBox>(name); }
    QCheckBox* check(const char* name) const { return f_->child<QCheckBox>(name); }

    std::unique_ptr<EditorFixture> f_;
    Connection server_;
    Connection local_;
};

void tst_Form11Submit::init() {
    f_ = std::make_unique<EditorFixture>();
    UseServerBackend(Backend::PostgreSql, f_->folder.path());
    ResetServer(PgLeftEndpoint());
    f_->login.download1 = PgLeftEndpoint();
    f_->login.ser1 = f_->login.mdbfold = PgLeftEndpoint();
    f_->login.username = u"小李"_s;  // an administrator
    server_.open(ServerConnectionString(PgLeftEndpoint()), 10);
    local_.open(LocalConnectionString(f_->folder.path()), 0, ado::adUseClient);
    AddBank(server_, u"驾驶员题库"_s);
    f_->open();
}

void tst_Form11Submit::cleanup() {
    f_.reset();
    server_.close();
    local_.close();
}

void tst_Form11Submit::compose(const QString& bank, const QString& question, const QString& answer,
                               const QString& a, const QString& b) {
    f_->form->setBankText(bank);
    box("timu")->setText(question);
    edit("answer")->setText(answer);
    edit("SA")->setText(a);
    edit("SB")->setText(b);
}

void tst_Form11Submit::fullQuestionWithPicturesReachesBothDatabases() {
    AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"旧题"_s, u"A"_s, {}, 0);
    check("Check1")->setChecked(true);
    compose(u"驾驶员题库"_s, u"It's A.B.\r\n第二行"_s, u"b"_s, u"停车"_s, u""_s);
    edit("SC")->setText(u"丙\r\n丁"_s);
    box("why0")->setText(u"依据第三条"_s);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QGuiApplication::clipboard()->setImage(picture);
    for (const char* capture : {"timu2jpg", "b2jpg", "why2jpg"})
        QTest::mouseClick(f_->child<QPushButton>(capture), Qt::LeftButton);
    QVERIFY(check("timu1")->isChecked() && check("BJPG1")->isChecked() &&
            check("why1")->isChecked());
    const QString optionB = edit("SB")->text();  // the picture's placeholder
    // Ticking the pictures wrote placeholders into the question and explanation.
    box("timu")->setText(u"It's A.B.\r\n第二行"_s);
    box("why0")->setText(u"依据第三条"_s);
    SetForeColour(f_->child<QWidget>("Label8"), colour::kRed);

    submit();

    const QString stored = u"It‘s AB  第二行"_s;
    QCOMPARE(f_->platform.texts(), QStringList{u"成功添加题目 1、【"_s + stored + u"】"_s});
    QCOMPARE(f_->form->windowTitle(), f_->platform.lastText());
    QCOMPARE(f_->platform.beeps, 1);
    QCOMPARE(ForeColour(f_->child<QWidget>("Label8")), colour::kButtonText);
    QCOMPARE(f_->form->why0save, u"依据第三条"_s);
    QCOMPARE(f_->form->timubak, stored);
    QCOMPARE(f_->form->scbak, u"丙丁"_s);
    QCOMPARE(f_->form->id2bak, u"2"_s);
    QCOMPARE(f_->login.sid, u"1"_s);

    const QString sysimg = f_->folder.path() + u"/sysimg/"_s;
    auto bytes = [&](const QString& file) {
        QFile fl(sysimg + file);
        return fl.open(QIODevice::ReadOnly) ? fl.readAll() : QByteArray();
    };
    for (Connection* c : {&server_, &local_}) {
        Recordset rs;
        rs.open(u"select * from timu where QUESTION = '"_s + stored + u"'"_s, *c);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.text(u"mantype"_s), u"驾驶员题库"_s);
        QCOMPARE(rs.text(u"answer"_s), u"B"_s);
        QCOMPARE(rs.text(u"Qtype"_s), u"单选题"_s);
        QCOMPARE(rs.text(u"adder"_s), u"小李"_s);
        QCOMPARE(rs.text(u"SA"_s), u"停车"_s);
        QCOMPARE(rs.text(u"SB"_s), optionB);
        QCOMPARE(rs.text(u"SC"_s), u"丙丁"_s);
        QCOMPARE(rs.text(u"why0"_s), u"依据第三条"_s);
        QCOMPARE(rs.text(u"nandu"_s), u"普通"_s);
        QVERIFY(!bytes(u"qjpg.jpg"_s).isEmpty());
        QCOMPARE(rs.field(u"QJPG"_s).toByteArray(), bytes(u"qjpg.jpg"_s));
        QCOMPARE(rs.field(u"BJPG"_s).toByteArray(), bytes(u"bjpg.jpg"_s));
        QCOMPARE(rs.field(u"WJPG"_s).toByteArray(), bytes(u"wjpg.jpg"_s));
        QVERIFY(rs.isNull(u"AJPG"_s));
        QCOMPARE(rs.text(u"id2"_s), c == &server_ ? u"2"_s : u"1"_s);
        if (c == &local_) QCOMPARE(rs.text(u"sid"_s), u"2"_s);
    }
    QCOMPARE(Column(server_, u"select body from rizi"_s),
             QStringList{u"添加题目【驾驶员题库】→单选题→"_s + stored + u" (id:2)"_s});

    // Ready for the next question: pictures unticked, texts cleared, paths kept.
    QVERIFY(!check("timu1")->isChecked() && !check("BJPG1")->isChecked() &&
            !check("why1")->isChecked());
    QCOMPARE(edit("why2")->text(), QString());
    QVERIFY(!edit("timu2")->text().isEmpty());
    QCOMPARE(box("timu")->text(), QString());
    QCOMPARE(edit("answer")->text(), QString());
    QCOMPARE(box("why0")->text(), u"-"_s);
    for (const char* o : {"SA", "SB", "SC", "SD", "SE", "SF"}) QCOMPARE(edit(o)->text(), QString());
    QVERIFY(check("Check1")->isChecked());
    QCOMPARE(f_->child<QComboBox>("Combo1")->currentText(), u"驾驶员题库"_s);
    for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
        QVERIFY2(f_->child<QPushButton>(b)->isEnabled(), b);
}

void tst_Form11Submit::validationRefusesAndWritesNothing_data() {
    QTest::addColumn<QString>("bank");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("message");
    const QString bank = u"驾驶员题库"_s;
    QTest::newRow("no bank") << QString() << u"题"_s << u"A"_s << u"甲"_s << u"乙"_s
                             << u"题库不能为空"_s;
    QTest::newRow("no question") << bank << QString() << u"A"_s << u"甲"_s << u"乙"_s
                                 << u"题目不能为空"_s;
    QTest::newRow("no answer") << bank << u"题"_s << QString() << u"甲"_s << u"乙"_s
                               << u"答案不能为空"_s;
    QTest::newRow("no option B") << bank << u"题"_s << u"A"_s << u"甲"_s << QString()
                                 << u"选项B不能为空"_s;
    QTest::newRow("no option A, answered No")
        << bank << u"题"_s << u"A"_s << QString() << u"乙"_s
        << u"选项A不能为空，是否全部设置成“如图..”的样子？不清楚就默认点【是】"_s;
}

void tst_Form11Submit::validationRefusesAndWritesNothing() {
    QFETCH(QString, bank);
    QFETCH(QString, question);
    QFETCH(QString, answer);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, message);
    check("Check2")->setChecked(true);
    compose(bank, question, answer, a, b);
    f_->platform.answer(Answer::No);
    submit();
    QCOMPARE(f_->platform.texts(), QStringList{message});
    if (a.isEmpty())
        QCOMPARE(f_->platform.boxes.last().caption, u"选项为空值，是否自动设置成如图.."_s);
    QCOMPARE(rows(server_), qint64(0));
    QCOMPARE(rows(local_), qint64(0));
    QCOMPARE(box("timu")->text(), question);
    QCOMPARE(edit("SA")->text(), a);
    QVERIFY(f_->child<QPushButton>("Command1")->isEnabled());
}

void tst_Form11Submit::serverLineChoosesTheEndpoint_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("endpoint");
    QTest::newRow("backup line 2") << u"备服务器2线 - 广州番禺移动机房"_s << u"backup2,1434"_s;
    QTest::newRow("main, 1 and 2") << u"主服务器1线2"_s << PgLeftEndpoint();
    QTest::newRow("typed endpoint") << u"10.0.0.5"_s << u"10.0.0.5"_s;
    QTest::newRow("empty") << QString() << u"127.0.0.1"_s;
}

void tst_Form11Submit::serverLineChoosesTheEndpoint() {
    QFETCH(QString, line);
    QFETCH(QString, endpoint);
    f_->child<QComboBox>("Combo3")->setEditText(line);
    box("why0")->setText(u"--"_s);
    compose(QString(), u"题"_s, u"A"_s, u"甲"_s, u"乙"_s);  // refused after the choice
    submit();
    QCOMPARE(f_->form->download, endpoint);
    QCOMPARE(f_->form->why0save, u"【案例分析题】"_s);  // "--" is not kept
}

void tst_Form11Submit::emptyOptionAAnsweredYesFillsPlaceholders() {
    check("Check1")->setChecked(true);
    compose(u"驾驶员题库"_s, u"看图选择"_s, u"C"_s, QString(), QString());
    f_->platform.answer(Answer::Yes);
    submit();
    QCOMPARE(f_->platform.texts().value(1), u"成功添加题目 1、【看图选择】"_s);
    QCOMPARE(Column(server_, u"select SA || SB || SC || SD from timu"_s),
             QStringList{u"如图A如图B如图C如图D"_s});
    QCOMPARE(Column(local_, u"select SA || SB || SC || SD from timu"_s),
             QStringList{u"如图A如图B如图C如图D"_s});
}

void tst_Form11Submit::fillInWithoutOptionBKeepsAnyAfterTheReset() {
    check("Check4")->setChecked(true);  // its how-to message comes first
    QCOMPARE(edit("answer")->text(), u"任意"_s);
    f_->form->setBankText(u"驾驶员题库"_s);
    box("timu")->setText(u"填空（）"_s);
    edit("SA")->setText(u"答案甲"_s);
    submit();
    QCOMPARE(f_->platform.lastText(), u"成功添加题目 1、【填空（）】"_s);
    QCOMPARE(Column(server_, u"select Qtype || answer || SB from timu"_s),
             QStringList{u"填空题任意"_s});
    QCOMPARE(edit("answer")->text(), u"任意"_s);
}

void tst_Form11Submit::trueFalseOptionsAndNoTypeBox() {
    check("Check3")->setChecked(true);
    f_->form->setBankText(u"驾驶员题库"_s);
    box("timu")->setText(u"红灯可以通行"_s);
    edit("answer")->setText(u"错误"_s);
    submit();
    QCOMPARE(f_->platform.lastText(), u"成功添加题目 1、【红灯可以通行】"_s);
    QCOMPARE(edit("SA")->text(), u"正确"_s);
    QCOMPARE(edit("SB")->text(), u"错误"_s);

    check("Check3")->setChecked(false);  // no type at all
    box("timu")->setText(u"无题型"_s);
    edit("answer")->setText(u"A"_s);
    submit();
    QCOMPARE(f_->platform.lastText(), u"成功添加题目 0、【无题型】"_s);
    QCOMPARE(f_->form->id2bak, u"1"_s);  // from the question before
    for (Connection* c : {&server_, &local_})
        QCOMPARE(Column(*c, u"select Qtype from timu order by id"_s),
                 (QStringList{u"判断题"_s, u"<null>"_s}));
    QCOMPARE(Column(server_, u"select body from rizi order by id"_s).value(1),
             u"添加题目【驾驶员题库】→→无题型 (id:2)"_s);
}

void tst_Form11Submit::duplicateOnTheServerWritesNothing() {
    AddQuestion(server_, u"驾驶员题库"_s, u"单选题"_s, u"It‘s AB"_s, u"A"_s, {}, 7);
    check("Check1")->setChecked(true);
    compose(u"驾驶员题库"_s, u"It's A.B."_s, u"A"_s, u"甲"_s, u"乙"_s);
    submit();
    QCOMPARE(f_->platform.texts(),
             QStringList{u"此题已经存在！【服务器】序号是7，不要重复添加。。。。"_s});
    QCOMPARE(rows(server_), qint64(1));
    QCOMPARE(rows(local_), qint64(0));
    QCOMPARE(rows(server_, u"rizi"_s), qint64(0));
    // Reset by "[重置]".
    QCOMPARE(box("timu")->text(), QString());
    QCOMPARE(box("why0")->text(), u"--"_s);
    QCOMPARE(edit("SA")->text(), QString());
    QVERIFY(f_->child<QPushButton>("Command1")->isEnabled());
}

void tst_Form11Submit::questionOnlyInTheLocalFileIsAddedToBoth() {
    AddQuestion(local_, u"驾驶员题库"_s, u"单选题"_s, u"本地才有"_s, u"A"_s, {}, 1);
    check("Check1")->setChecked(true);
    compose(u"驾驶员题库"_s, u"本地才有"_s, u"A"_s, u"甲"_s, u"乙"_s);
    submit();
    QCOMPARE(f_->platform.lastText(), u"成功添加题目 2、【本地才有】"_s);
    QCOMPARE(rows(server_), qint64(1));
    QCOMPARE(rows(local_), qint64(2));
}

void tst_Form11Submit::nonAdministratorGetsOnlyTheSubmitButtonBack() {
    f_->login.username = u"小王"_s;
    f_->open();
    for (const char* b : {"Command2", "Command3", "Command4"})
        f_->child<QPushButton>(b)->setEnabled(true);
    check("Check1")->setChecked(true);
    compose(u"驾驶员题库"_s, u"普通用户的题"_s, u"A"_s, u"甲"_s, u"乙"_s);
    submit();
    QCOMPARE(f_->platform.lastText(), u"成功添加题目 1、【普通用户的题】"_s);
    QVERIFY(f_->child<QPushButton>("Command1")->isEnabled());
    for (const char* b : {"Command2", "Command3", "Command4"})
        QVERIFY2(!f_->child<QPushButton>(b)->isEnabled(), b);
    QCOMPARE(Column(local_, u"select adder from timu"_s), QStringList{u"小王"_s});
}

void tst_Form11Submit::unreachableServer_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("Yes stops") << true;
    QTest::newRow("No goes on") << false;
}

void tst_Form11Submit::unreachableServer() {
    QFETCH(bool, stop);
    f_->child<QComboBox>("Combo3")->setEditText(u"127.0.0.1,1"_s);  // nothing listens there
    check("Check1")->setChecked(true);
    compose(u"驾驶员题库"_s, u"断网时的题"_s, u"A"_s, u"甲"_s, u"乙"_s);
    f_->platform.answer(stop ? Answer::Yes : Answer::No);
    submit();
    // The last error: the duplicate query on the connection that did not open.
    QCOMPARE(
        f_->platform.texts().value(0),
        u"服务器连接出错，错误码:3709，建议更换服务器重试...是否中止操作？可以换服务器重新提交，"
        "选【否】强制继续提交数据，但可能会出错卡死。"_s);
    QCOMPARE(f_->platform.boxes.value(0).caption, u"是否更换服务器再重试?"_s);
    QCOMPARE(rows(server_), qint64(0));
    for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
        QVERIFY2(f_->child<QPushButton>(b)->isEnabled(), b);
    if (stop) {
        QCOMPARE(f_->platform.boxes.size(), 1);
        QCOMPARE(rows(local_), qint64(0));
        QCOMPARE(box("timu")->text(), u"断网时的题"_s);
        return;
    }
    const QString text = f_->platform.lastText();
    QVERIFY2(text.startsWith(u"本地库已添加题目 1、【断网时的题】，但服务器没有写入："_s),
             qPrintable(text));
    QCOMPARE(f_->form->windowTitle(), text);
    QCOMPARE(Column(local_, u"select adder || Qtype || SA || SB from timu"_s),
             QStringList{u"小李单选题甲乙"_s});
}

QTEST_MAIN(tst_Form11Submit)
#include "tst_Form11Submit.moc"
