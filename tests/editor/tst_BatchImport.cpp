#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <memory>

#include "EditorFixture.h"
#include "bank/QuestionWriter.h"
#include "editor/BatchImport.h"
#include "editor/PaperPreview.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

namespace {

const QString kBank = u"驾驶员题库"_s;

// A paper as operators paste it: four sections, numbered "1." "2、" "3．", "（1）" and "第1题";
// the first section with LF line breaks, the others with CR LF. Question 3 is on the server
// already, question 5 has no answer, question 7 is explained, question 8 repeats question 1.
const QString kSingles =
    u"一、单选题（每题1分）\n"
    "1. 红灯亮时应当怎样？\nA、停车\nB、加速\nC、鸣笛\nD、掉头\n答案：A\n"
    "2、黄灯亮时应当怎样？\nA.减速 B.加速 C.鸣笛 D.倒车\n答案：A\n"
    "3．已存的题目?\nA.甲\nB.乙\n答案：B\n"
    "4. 下列说法正确的是：\n1、车速快\n2、车速慢\nA.只有1 B.只有2 C.都对 D.都不对\n答案：C\n"
    "5. 这道题忘了写结果？\nA.对的\nB.错的\nC.不知道\n\n"
    "6. 绿灯亮时可以怎样？ A.通行 B.停车 C.倒车 答案：A\n"
    "7. 哪个是丙？\nA.甲 B.乙 C.丙\n标准答案：C\n解析：A、B都不是。\n难度：较难\n"
    "8. 红灯亮时应当怎样？A、停车 B、加速 C、鸣笛 D、掉头 答案：A\n"
    "9. 限速标志是什么颜色？\nA.红 B.黄\n答案：a\n"_s;
const QString kOthers =
    u"二、多选题\r\n"
    "（1）哪些是偶数？\r\nA．2\r\nB．3\r\nC．4\r\nD．5\r\n正确答案：CA\r\n"
    "（2）哪些是颜色？\r\nA、红 B、圆 C、绿 D、方\r\n答案：A、C\r\n"
    "（3）哪些是水果？\r\nA.苹果\r\nB.白菜\r\nC.香蕉\r\n答案：AC\r\n"
    "（4）哪些属于交通信号？\r\nA.红灯\r\nB.路牌\r\nC.绿灯\r\nD.树木\r\n答案：A C\r\n"
    "三、判断题\r\n"
    "第1题 地球是圆的。\r\n答案：正确\r\n"
    "第2题、太阳从西边升起。\r\n答案：错误\r\n"
    "第3题：水在零度结冰。 答案：对\r\n"
    "第4题. 鱼会飞。答案：×\r\n"
    "四、填空题\r\n"
    "第1题 中国的首都是____。\r\n"
    "第2题 一年有____个月。\r\n"
    "第3题 水的化学式是____。\r\n"_s;

}  // namespace

// The batch import window against a server (embedded, PostgreSQL, SQL Server) and the local file.
class tst_BatchImport : public QObject {
    Q_OBJECT
    std::unique_ptr<TempProgramFolder> folder_;
    QString endpoint_;
    Backend backend_ = Backend::Sqlite;
    Connection server_, local_;
    FakePlatform platform_;
    std::unique_ptr<BatchImport> window_;
    std::unique_ptr<QAbstractItemModelTester> tester_;

    template <class T = QWidget>
    T* child(const char* name) const {
        T* w = window_->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QAbstractItemModel* table() const { return child<QTableView>("questions")->model(); }
    QString cell(int row, int column) const {
        return table()->index(row, column).data().toString();
    }
    void edit(int row, int column, const QString& text) {
        QVERIFY(table()->setData(table()->index(row, column), text));
    }
    QStringList column(int c) const {
        QStringList out;
        for (int row = 0; row < table()->rowCount(); ++row) out << cell(row, c);
        return out;
    }
    QList<int> ticked() const {
        QList<int> out;
        for (int row = 0; row < table()->rowCount(); ++row)
            if (table()->index(row, 0).data(Qt::CheckStateRole) == Qt::Checked) out << row;
        return out;
    }
    void tick(int row, bool on) {
        table()->setData(table()->index(row, 0), on ? Qt::Checked : Qt::Unchecked,
                         Qt::CheckStateRole);
    }
    void openWindow() {
        window_ = std::make_unique<BatchImport>(
            BatchImportTarget{endpoint_, folder_->path(), kBank, u"小王"_s, u"小李"_s}, platform_);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            table(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        window_->show();
    }
    void previewPaper(const QString& paper) {
        child<QPlainTextEdit>("paper")->setPlainText(paper);
        QTest::mouseClick(child("preview"), Qt::LeftButton);
    }
    void seed() {
        AddQuestionGroup(server_, kBank, u"单选题"_s, 3, u"A"_s, u"旧题"_s);
        AddQuestion(server_, kBank, u"单选题"_s, u"已存的题目?"_s, u"B"_s, {}, 2);
        AddQuestionGroup(local_, kBank, u"单选题"_s, 2, u"A"_s, u"旧题"_s);
    }
    // Both databases' questions and log, every column the submit writes.
    QStringList snapshot() {
        const QString cols =
            u"id, id2, sid, mantype, QUESTION, Qtype, answer, nandu, SA, SB, SC, "
            "SD, SE, SF, why0, adder"_s;
        QStringList out;
        for (Connection* c : {&server_, &local_}) {
            QSqlQuery q = c->query();
            if (!q.exec(u"select "_s + cols + u" from timu order by id"_s)) qFatal("snapshot");
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i) row << q.value(i).toString();
                out << row.join(u'|');
            }
        }
        // The stand-in's log, as a field database's, has no id.
        out << Column(server_, u"select username || body from rizi order by "_s +
                                   (backend_ == Backend::SqlServer ? u"rowid"_s : u"id"_s));
        return out;
    }

private slots:
    void initTestCase_data() { AddBackendRows(true); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        folder_ = std::make_unique<TempProgramFolder>();
        backend_ = Backend(backend);
        endpoint_ = OpenServerAndLocal(backend_, *folder_, server_, local_);
        platform_.clear();
        platform_.clock = QDateTime(QDate(2024, 3, 5), QTime(9, 30, 0));
        openWindow();
    }
    void cleanup() {
        tester_.reset();
        window_.reset();
        server_.close();
        local_.close();
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }

    void paperIsPreviewedAndAddedAsOneByOne() {
        seed();
        previewPaper(kSingles + kOthers);
        const QString single = u"单选题"_s, multiple = u"多选题"_s, trueFalse = u"判断题"_s,
                      fillIn = u"填空题"_s;
        QCOMPARE(column(PaperPreview::kNumber),
                 (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s,
                              u"8"_s, u"9"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"1"_s,
                              u"2"_s, u"3"_s, u"4"_s, u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(column(PaperPreview::kType), QStringList(9, single) + QStringList(4, multiple) +
                                                  QStringList(4, trueFalse) +
                                                  QStringList(3, fillIn));
        QStringList faults(20);
        faults[2] = u"服务器已有此题（序号2）"_s;
        faults[4] = u"没有找到答案"_s;
        faults[7] = u"与第1题重复"_s;
        QCOMPARE(column(PaperPreview::kFaults), faults);
        QCOMPARE(column(PaperPreview::kAnswer),
                 (QStringList{u"A"_s, u"A"_s, u"B"_s,  u"C"_s,    QString(), u"A"_s,   u"C"_s,
                              u"A"_s, u"A"_s, u"AC"_s, u"AC"_s,   u"AC"_s,   u"AC"_s,  u"A"_s,
                              u"B"_s, u"A"_s, u"B"_s,  u"任意"_s, u"任意"_s, u"任意"_s}));
        QCOMPARE(cell(3, PaperPreview::kQuestion), u"下列说法正确的是：1、车速快2、车速慢"_s);
        QCOMPARE(cell(14, PaperPreview::kQuestion), u"太阳从西边升起。"_s);
        QCOMPARE(cell(17, PaperPreview::kOptionA), u"中国的首都是____。"_s);
        QCOMPARE((QStringList{cell(6, PaperPreview::kWhy0), cell(6, PaperPreview::kNandu),
                              cell(0, PaperPreview::kWhy0), cell(0, PaperPreview::kNandu)}),
                 (QStringList{u"A、B都不是。"_s, u"困难"_s, u"--"_s, u"普通"_s}));
        QList<int> clean;
        for (int row = 0; row < 20; ++row)
            if (faults[row].isEmpty()) clean << row;
        QCOMPARE(ticked(), clean);
        QCOMPARE(snapshot().size(), 4 + 2);  // nothing written yet

        // The faulty rows are sent as well, and a good one is left out.
        for (int row : {2, 4, 7}) tick(row, true);
        tick(19, false);
        QTest::mouseClick(child("submitAll"), Qt::LeftButton);
        QCOMPARE(platform_.lastText(),
                 u"批量导入完成：添加 16 道，重复跳过 2 道，失败 1 道\r\n第5题：答案不能为空"_s);
        QCOMPARE(cell(7, PaperPreview::kResult), u"服务器已有，序号5"_s);
        QCOMPARE(cell(8, PaperPreview::kResult), u"已添加，序号10"_s);
        QCOMPARE(child<QProgressBar>("progress")->value(), 19);
        const QStringList batch = snapshot();
        QCOMPARE(batch.size(), 20 + 18 + 16);

        // The same rows submitted one by one, as the editor's "提交" would.
        ResetDatabase(server_);
        ResetDatabase(local_);
        seed();
        for (int row = 0; row < 19; ++row) {
            Question q;
            q.bank = kBank;
            q.qtype = column(PaperPreview::kType)[row];
            q.question = cell(row, PaperPreview::kQuestion);
            for (int i = 0; i < 6; ++i)
                q.options[size_t(i)] = cell(row, PaperPreview::kOptionA + i);
            q.answer = cell(row, PaperPreview::kAnswer);
            q.nandu = cell(row, PaperPreview::kNandu);
            q.why0 = cell(row, PaperPreview::kWhy0);
            q.adder = u"小王"_s;
            if (RefusalOf(AsStored(q)) != Refusal::None) continue;
            QuestionWriter w({endpoint_, folder_->path(), u"小李"_s, platform_.clock});
            if (!w.checkAdd(q).duplicate) w.add();
        }
        QCOMPARE(batch, snapshot());
    }

    void editsAndTypeChangesAreCheckedAgain() {
        previewPaper(u"1. 甲？\nA.x B.y\n2. 乙？A.x B.y 答案：C"_s);
        QCOMPARE(column(PaperPreview::kFaults),
                 (QStringList{u"没有找到答案"_s, u"答案C没有对应选项"_s}));
        QCOMPARE(ticked(), QList<int>());
        // Answers are capitals, as in the editor's answer box: "c" is option C.
        edit(0, PaperPreview::kAnswer, u"c"_s);
        QCOMPARE(cell(0, PaperPreview::kFaults), u"答案C没有对应选项"_s);
        edit(0, PaperPreview::kAnswer, u"B"_s);
        edit(1, PaperPreview::kOptionA + 2, u"z"_s);
        QCOMPARE(column(PaperPreview::kFaults), QStringList(2));
        // Another type, chosen in the table's drop-down, reads again what the type decides and
        // keeps the corrections.
        auto* view = child<QTableView>("questions");
        view->edit(table()->index(0, PaperPreview::kType));
        auto* box = view->viewport()->findChild<QComboBox*>();
        QVERIFY(box);
        box->setCurrentText(u"多选题"_s);
        emit box->activated(box->currentIndex());
        QCOMPARE(cell(0, PaperPreview::kType) + cell(0, PaperPreview::kAnswer), u"多选题B"_s);
        edit(1, PaperPreview::kType, u"判断题"_s);
        QCOMPARE((QStringList{cell(1, PaperPreview::kOptionA), cell(1, PaperPreview::kOptionA + 1),
                              cell(1, PaperPreview::kOptionA + 2), cell(1, PaperPreview::kFaults)}),
                 (QStringList{u"正确"_s, u"错误"_s, QString(), u"答案C没有对应选项"_s}));
        view->setCurrentIndex(table()->index(1, PaperPreview::kQuestion));
        QCOMPARE(child<QTextEdit>("details")->toPlainText(),
                 u"第2题　判断题　难度：普通\n乙？\nA．正确\nB．错误\n答案：C\n解析：--\n"
                 "问题：答案C没有对应选项"_s);
        child<QComboBox>("typeChoice")->setCurrentText(u"多选题"_s);
        QCOMPARE(column(PaperPreview::kType), QStringList(2, u"多选题"_s));
        QCOMPARE(cell(0, PaperPreview::kAnswer), u"B"_s);
    }

    void stopEndsBetweenBatchesAndARerunFinishes() {
        QString paper;
        for (int i = 1; i <= 250; ++i)
            paper += u"第%1道：红灯亮时？\nA.停\nB.走\n答案：A\n\n"_s.arg(i);
        previewPaper(paper);
        QCOMPARE(table()->rowCount(), 250);
        // The server refuses the first batch's last question: on SQL Server it is in the
        // batch's second insert statement (2,100 parameters hold 90 questions), and what the
        // first wrote is undone before the batch is added one by one: nothing is stored twice.
        const bool pg = backend_ == Backend::PostgreSql;
        server_.execute(pg ? u"create function qs_refuse() returns trigger language plpgsql as $$ "
                             "begin if new.QUESTION like '第100道%' then raise exception "
                             "'refused'; end if; return new; end $$"_s
                           : u"create trigger qs_refuse before insert on timu when new.QUESTION "
                             "like '第100道%' begin select raise(abort, 'refused'); end"_s);
        if (pg)
            server_.execute(u"create trigger qs_refuse before insert on timu for each row "
                            "execute function qs_refuse()"_s);
        // Clicked while the first batch is written; honoured once it is done.
        QMetaObject::invokeMethod(child<QPushButton>("stop"), &QPushButton::click,
                                  Qt::QueuedConnection);
        QTest::mouseClick(child("submitAll"), Qt::LeftButton);
        server_.execute(pg ? u"drop trigger qs_refuse on timu"_s : u"drop trigger qs_refuse"_s);
        if (pg) server_.execute(u"drop function qs_refuse"_s);
        QVERIFY2(platform_.lastText().startsWith(
                     u"批量导入已停止：添加 99 道，重复跳过 0 道，失败 1 道，未提交 150 道"_s),
                 qPrintable(platform_.lastText()));
        QCOMPARE(Column(server_, u"select count(*) || '/' || count(distinct QUESTION) from timu"_s),
                 QStringList{u"99/99"_s});
        QCOMPARE(Count(local_, u"id2 = id"_s), qint64(99));
        tick(99, false);
        QCOMPARE(ticked().size(), 150);
        QVERIFY(child("submitAll")->isEnabled());
        QVERIFY(!child("stop")->isEnabled());

        const int sent = SqlServerStandIn::statementCount();
        QTest::mouseClick(child("submitAll"), Qt::LeftButton);
        // A hundred questions in a few statements, not one insert each.
        QVERIFY(SqlServerStandIn::statementCount() - sent < 20);
        QCOMPARE(platform_.lastText(), u"批量导入完成：添加 150 道，重复跳过 0 道，失败 0 道"_s);
        QCOMPARE(Column(server_, u"select count(*) || '/' || count(distinct QUESTION) || '/' || "
                                  "max(id2) from timu"_s),
                 QStringList{u"249/249/249"_s});
        QCOMPARE(Column(local_, u"select count(*) || '/' || count(distinct sid) from timu"_s),
                 QStringList{u"249/249"_s});
        QCOMPARE(Column(server_, u"select count(*) from rizi"_s), QStringList{u"249"_s});
    }

    // Papers as operators have them: text files, Word and Excel files (made by python-docx,
    // openpyxl and LibreOffice: tests/question/papers), the template of 保存模板…, and files
    // that cannot be read. What is read is submitted: both databases hold the same rows, each
    // picture the bytes of its slot's file.
    void paperFileIsReadOrRefused_data() {
        QTest::addColumn<QString>("paper");     // a committed paper, or "模板"; empty: `bytes`
        QTest::addColumn<QByteArray>("bytes");  // as a .txt file; empty too: no file at all
        // Each row of the preview (number|type|question|options|answer|difficulty|explanation|
        // pictures|faults), or the message, %1 standing for the file.
        QTest::addColumn<QStringList>("expected");
        const QStringList earth = {u"1|判断题|地球是圆的。|正确/错误|A|普通|--||"_s};
        const QString question = u"1. 地球是圆的。答案：正确"_s;
        QTest::newRow("UTF-8") << QString() << question.toUtf8() << earth;
        QTest::newRow("UTF-8 with BOM")
            << QString() << ("\xEF\xBB\xBF" + question.toUtf8()) << earth;
        QStringEncoder gbk("GBK");
        QTest::newRow("code page 936") << QString() << QByteArray(gbk.encode(question)) << earth;
        QTest::newRow("Word: numbers restarting, options in a table, pictures, answer markers")
            << u"word.docx"_s << QByteArray()
            << QStringList{
                   u"1|单选题|下列哪个是水果？|苹果/白菜/土豆/萝卜|A|困难|B、C、D 都是蔬菜。|"
                   u"图片：题目|"_s,
                   u"2|单选题|看图，选出正确的一项：|如右图1/以上都不对|A|普通|如下图|"
                   u"图片：选项A、解析|"_s,
                   u"1|多选题|下列属于 CPU 部件的是（　　）|运算器/控制器/显示器|AB|普通|"
                   u"C 是外部设备，A、B 在 CPU 里。||"_s,
                   u"2|单选题|全角文字：ＡＢＣ１２３，　空格。|甲/乙|B|普通|--||"_s};
        QTest::newRow("LibreOffice Word: floating picture, equation, metafile")
            << u"libreoffice.docx"_s << QByteArray()
            << QStringList{u"1|单选题|哪个图形在右边？|圆形/方形|B|普通|--|图片：题目|"_s,
                           u"2|单选题|求 【公式】 在 x=3 时的值。|6/9|B|普通|--||"
                           u"含公式/图片无法读取，请核对"_s,
                           u"1|判断题|下面两种说法：框内：请判断对错①地球绕太阳转；②月亮自己发光。|"
                           u"正确/错误|B|普通|--||"_s,
                           u"2|判断题|图中是一个方框：【图片无法读取】|正确/错误|A|普通|--||"
                           u"含公式/图片无法读取，请核对"_s};
        QTest::newRow("Excel: one question a row, a type it does not know")
            << u"sheet-libreoffice.xlsx"_s << QByteArray()
            << QStringList{
                   u"1|单选题|1+1 等于几？|1/2/3.50|B|普通|一加一得二||"_s,
                   u"2|单选题|安全检查的日期是？|2024-03-05/2024年3月5日 14:30/25%|A|困难|--||"_s,
                   u"3|判断题|消防通道可以堆放杂物。|正确/错误|B|普通|解析里有字母 A 和 B||"_s,
                   u"4|单选题|这个标志表示什么？|禁止通行/注意安全|B|困难|--||"
                   u"题型“识图题”无法识别"_s};
        QTest::newRow("the template 保存模板… writes")
            << u"模板"_s << QByteArray()
            << QStringList{
                   u"1|单选题|中国的首都是哪座城市？|北京/上海/广州/深圳|A|普通|"
                   u"北京是中国的首都。||"_s};
        QTest::newRow("missing") << QString() << QByteArray() << QStringList{u"找不到文件：%1"_s};
        QTest::newRow("neither encoding")
            << QString() << QByteArray("1. \xFF\xFF\x80 ok")
            << QStringList{u"文件既不是 UTF-8 也不是 GBK 编码的文字，无法读入：%1"_s};
        QTest::newRow("blank") << QString() << QByteArray("\r\n \r\n")
                               << QStringList{u"文件里没有文字：%1"_s};
        QTest::newRow("encrypted Word file")
            << u"encrypted.docx"_s << QByteArray()
            << QStringList{
                   u"文件设有打开密码，无法读入：%1\r\n请在 Word/Excel 中取消密码后另存一份，"
                   u"再导入。"_s};
        QTest::newRow("sheet without a header")
            << u"noheader.xlsx"_s << QByteArray()
            << QStringList{
                   u"表格的前10行里没有表头，无法读入：%1\r\n表头一行写明各列：题型、题目、"
                   u"选项A…选项F、答案、难度、解析（点“保存模板…”可得到一份模板）。"_s};
    }
    void paperFileIsReadOrRefused() {
        QFETCH(QString, paper);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QString path = folder_->file(u"试卷.txt"_s);
        if (paper == u"模板") {
            path = folder_->file(u"模板.xlsx"_s);
            platform_.fileToSave = folder_->file(u"无此文件夹/模板.xlsx"_s);
            QTest::mouseClick(child("saveTemplate"), Qt::LeftButton);
            QVERIFY(platform_.lastText().startsWith(u"模板无法保存到 "_s));
            platform_.fileToSave = path;
            QTest::mouseClick(child("saveTemplate"), Qt::LeftButton);
            platform_.clear();
        } else if (!paper.isEmpty()) {
            path = qEnvironmentVariable("QS_SOURCE_DIR") + u"/tests/question/papers/"_s + paper;
        } else if (!bytes.isEmpty()) {
            folder_->write(u"试卷.txt"_s, bytes);
        }
        platform_.fileToOpen = path;
        QTest::mouseClick(child("openFile"), Qt::LeftButton);
        if (table()->rowCount() == 0) {
            QCOMPARE(platform_.texts(), QStringList{expected[0].arg(path)});
            QCOMPARE(
                QDir(folder_->file(u"sysimg"_s)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                QStringList());
            return;
        }
        QStringList rows;
        QMap<QString, QByteArray> files;  // question → its pictures' bytes, slot by slot
        for (int row = 0; row < table()->rowCount(); ++row) {
            QStringList options;
            for (int i = 0; i < 6; ++i)
                if (!cell(row, PaperPreview::kOptionA + i).isEmpty())
                    options << cell(row, PaperPreview::kOptionA + i);
            rows << QStringList{cell(row, PaperPreview::kNumber),
                                cell(row, PaperPreview::kType),
                                cell(row, PaperPreview::kQuestion),
                                options.join(u'/'),
                                cell(row, PaperPreview::kAnswer),
                                cell(row, PaperPreview::kNandu),
                                cell(row, PaperPreview::kWhy0),
                                table()
                                    ->index(row, PaperPreview::kPictures)
                                    .data(Qt::ToolTipRole)
                                    .toString(),
                                cell(row, PaperPreview::kFaults)}
                        .join(u'|');
            const Question& q = qobject_cast<PaperPreview*>(table())->at(row).question;
            for (const QString& file : q.picturePaths) {
                QFile f(file);
                files[q.question] +=
                    file.isEmpty() || !f.open(QIODevice::ReadOnly)
                        ? QByteArray("|")
                        : QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex() +
                              '|';
            }
        }
        QCOMPARE(rows, expected);
        QCOMPARE(platform_.texts(), QStringList());
        for (int row = 0; row < table()->rowCount(); ++row) tick(row, true);
        // A picture's file gone before the submit (deleted by hand): its question fails, the
        // others are stored.
        QString failed;
        for (int row = 0; row < table()->rowCount() && failed.isEmpty(); ++row)
            for (const QString& file :
                 qobject_cast<PaperPreview*>(table())->at(row).question.picturePaths)
                if (!file.isEmpty() && failed.isEmpty() && QFile::remove(file)) {
                    failed = u"，失败 1 道\r\n第%1题：图片文件无法读取：%2"_s.arg(
                        cell(row, PaperPreview::kNumber), file);
                    files.remove(cell(row, PaperPreview::kQuestion));
                }
        QTest::mouseClick(child("submitAll"), Qt::LeftButton);
        QCOMPARE(platform_.lastText(),
                 u"批量导入完成：添加 %1 道，重复跳过 0 道"_s.arg(rows.size() - !failed.isEmpty()) +
                     (failed.isEmpty() ? u"，失败 0 道"_s : failed));
        for (Connection* c : {&server_, &local_}) {
            QSqlQuery q = c->query();
            QVERIFY(
                q.exec(u"select QUESTION, QJPG, AJPG, BJPG, CJPG, DJPG, EJPG, FJPG, WJPG "
                       "from timu order by id"_s));
            QMap<QString, QByteArray> stored;
            while (q.next())
                for (int slot = 1; slot <= kPictureSlots; ++slot)
                    stored[q.value(0).toString()] +=
                        q.value(slot).isNull()
                            ? QByteArray("|")
                            : QCryptographicHash::hash(q.value(slot).toByteArray(),
                                                       QCryptographicHash::Md5)
                                      .toHex() +
                                  '|';
            QCOMPARE(stored, files);
        }
        // The pictures' files go when the window closes.
        window_->close();
        QCOMPARE(
            QDir(folder_->file(u"sysimg"_s)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList());
    }

    void editorOpensTheImportForItsBank() {
        EditorFixture f;
        f.open();
        f.click("Command5");
        QCOMPARE(f.platform.lastText(), u"请先选择题库！"_s);
        f.form->setBankText(kBank);
        f.click("Command5");
        auto* w = f.form->findChild<BatchImport*>();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"批量导入 - 【驾驶员题库】"_s);
    }
};

QTEST_MAIN(tst_BatchImport)
#include "tst_BatchImport.moc"
