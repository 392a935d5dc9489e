#include <QCryptographicHash>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "question/ImportPictures.h"
#include "question/PaperArchive.h"
#include "question/PaperDocument.h"
#include "question/PaperFile.h"
#include "question/QuestionImport.h"
#include "question/SheetTemplate.h"
#include "question/WordNumbering.h"
#include "question/WordReader.h"

using namespace qs;
using namespace Qt::StringLiterals;

// Reading papers from files: Word and Excel files made by python-docx, openpyxl and LibreOffice
// (tests/question/papers/make_papers.py), text files, and files that cannot be read.
class tst_PaperFiles : public QObject {
    Q_OBJECT

    static QString paper(const QString& name) {
        return qEnvironmentVariable("QS_SOURCE_DIR") + u"/tests/question/papers/"_s + name;
    }
    // The text with each picture mark shown as ⟦index:format⟧.
    static QString shown(const PaperDocument& doc) {
        QString out;
        for (qsizetype i = 0; i < doc.text.size(); ++i) {
            if (doc.text[i] != u'\uE000') {
                out += doc.text[i];
                continue;
            }
            const qsizetype end = doc.text.indexOf(u'\uE001', i);
            const MarkedText one = TakePictureMarks(doc.text.sliced(i, end - i + 1));
            const int index = one.pictures.value(0, -1);
            out += u"⟦%1:%2⟧"_s.arg(index).arg(doc.pictures.value(index).format);
            i = end;
        }
        return out;
    }
    static QStringList rows(const PaperSheet& sheet) {
        QStringList out;
        for (const SheetQuestion& q : sheet.questions) {
            QStringList cells = {QString::number(q.row), q.qtype, q.question};
            for (const QString& o : q.options) cells << o;
            cells << q.answer << q.difficulty << q.explanation;
            out << cells.join(u'|');
        }
        return out;
    }

private slots:
    void word_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("python-docx: style numbering restarted, options in a table, pictures")
            << u"word.docx"_s
            << u"一、单选题\n1. "
               u"下列哪个是水果？⟦0:png⟧\nA.苹果\nB.白菜\nC.土豆\nD.萝卜\n【答案】A\n"
               u"解析：B、C、D 都是蔬菜。\n难度：困难\n2. 看图，选出正确的一项：\nA.⟦1:png⟧\n"
               u"B.以上都不对\n正确答案：A\n解析：如下图⟦2:png⟧\n二、多选题\n"
               u"1. 下列属于 CPU 部件的是（　　）\nA.运算器\nB.控制器\nC.显示器\n参考答案：AB\n"
               u"解析：C 是外部设备，A、B 在 CPU 里。\n2. 全角文字：ＡＢＣ１２３，　空格。\n"
               u"A.甲\tB.乙\n答案：B"_s;
        QTest::newRow("LibreOffice: two levels, floating picture, equation, text box, EMF")
            << u"libreoffice.docx"_s
            << u"一、单选题\n（1）⟦0:png⟧哪个图形在右边？\nA.圆形\nB.方形\n答案：B\n"
               u"（2）求 【公式】 在 x=3 "
               u"时的值。\nA.6\nB.9\n答案：B\n二、判断题\n（1）下面两种说法：\n框内：请判断对错\n"
               u"①地球绕太阳转；\n②月亮自己发光。\n答案：错误\n（2）图中是一个方框：【图片无法读取"
               u"】\n"
               u"答案：正确"_s;
    }
    void word() {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const PaperFile read = ReadPaper(paper(file));
        QCOMPARE(read.error, QString());
        QCOMPARE(read.kind, PaperFile::Kind::Word);
        QCOMPARE(shown(read.document), expected);
        // The paper box shows the marks as 【图片N】 and reads them back; 【图片9】 names no
        // picture.
        const QString box = ShownPictureMarks(read.document.text) + u"【图片9】"_s;
        QVERIFY(box.contains(u"【图片1】"_s));
        QCOMPARE(PictureMarksFromShown(box, int(read.document.pictures.size())),
                 read.document.text + u"【图片9】"_s);
    }

    // The marks pass the splitter and the reader, each into the box its picture stood in, and
    // from there into that box's slot; a picture that cannot be decoded stays as its mark.
    void pictureSlots() {
        const PaperDocument doc = ReadPaper(paper(u"word.docx"_s)).document;
        QStringList boxes;
        for (const PaperQuestion& piece : SplitQuestions(doc.text)) {
            ImportedQuestion q = ReadQuestion(piece, u"单选题"_s);
            PlacePictures(q, piece, doc.pictures, {2});
            QStringList fields = {q.question.question, q.question.options[0], q.question.why0};
            for (const QVector<int>& slot : q.pictures) {
                QStringList indices;
                for (int p : slot) indices << QString::number(p);
                fields << indices.join(u',');
            }
            boxes << fields.join(u'|');
        }
        QCOMPARE(boxes,
                 (QStringList{u"下列哪个是水果？|苹果|B、C、D 都是蔬菜。|0|||||||"_s,
                              u"看图，选出正确的一项：|如右图1|如下图【图片无法读取】||1||||||"_s,
                              u"下列属于 CPU 部件的是（　　）|运算器|C 是外部设备，A、B 在 CPU "
                              u"里。||||||||"_s,
                              u"全角文字：ＡＢＣ１２３，　空格。|甲|--||||||||"_s}));
        // As 判断题, the picture of option A, which the type replaces, joins the explanation's.
        const PaperQuestion second = SplitQuestions(doc.text)[1];
        ImportedQuestion trueFalse = ReadQuestion(second, u"判断题"_s);
        PlacePictures(trueFalse, second, doc.pictures, {});
        QCOMPARE(trueFalse.pictures[kExplanationPicture], (QVector<int>{2, 1}));
        // A question that is only a picture is named by its bytes; as fill-in, its option A
        // repeats it without the picture.
        const PaperQuestion only{1, PictureMark(1), false};
        ImportedQuestion q = ReadQuestion(only, u"填空题"_s);
        PlacePictures(q, only, doc.pictures, {});
        QCOMPARE(q.question.question + u'|' + q.question.options[0],
                 u"题目如图#%1|题目如图#%1"_s.arg(QString::fromLatin1(
                     QCryptographicHash::hash(doc.pictures[1].bytes, QCryptographicHash::Md5)
                         .toHex()
                         .left(8))));
        QCOMPARE(q.pictures[kQuestionPicture], QVector<int>{1});
    }

    void sheet_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("ignored");
        const QString header = u"3|单选题|1+1 等于几？|1|%1|3.50||||B|普通|一加一得二"_s;
        const QStringList rest = {
            u"4|单选题|安全检查的日期是？|2024-03-05|2024年3月5日 14:30|25%||||A|困难|"_s,
            u"6|判断题|消防通道可以堆放杂物。|||||||错误||解析里有字母 A 和 B"_s,
            u"7|识图题|这个标志表示什么？|禁止通行|注意安全|||||b|较难|"_s};
        QTest::newRow("openpyxl: title row, own order, formula never calculated")
            << u"sheet-openpyxl.xlsx"_s << QStringList{header.arg(QString())} + rest
            << QStringList{u"备注"_s};
        QTest::newRow("LibreOffice: the formula's value")
            << u"sheet-libreoffice.xlsx"_s << QStringList{header.arg(u"2"_s)} + rest
            << QStringList{u"备注"_s};
    }
    void sheet() {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, ignored);
        const PaperFile read = ReadPaper(paper(file));
        QCOMPARE(read.error, QString());
        QCOMPARE(read.kind, PaperFile::Kind::Sheet);
        QCOMPARE(rows(read.sheet), expected);
        QCOMPARE(read.sheet.ignoredColumns, ignored);
    }

    void sheetTemplate() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"模板.xlsx"_s);
        QString error;
        QVERIFY(WriteSheetTemplate(path, &error));
        const PaperFile read = ReadPaper(path);
        QCOMPARE(read.error, QString());
        QCOMPARE(rows(read.sheet),
                 QStringList{u"2|单选题|中国的首都是哪座城市？|北京|上海|广州|深圳|||A|"
                             u"普通|北京是中国的首都。"_s});
        QVERIFY(!WriteSheetTemplate(dir.filePath(u"无此文件夹/模板.xlsx"_s), &error));
        QVERIFY(error.startsWith(u"模板无法保存到 "_s));
    }

    void text_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");  // text, or the message after "…："
        QTest::newRow("GB18030") << QByteArray("1. \xC4\xE3\xBA\xC3") << u"1. 你好"_s;
        QTest::newRow("UTF-16 with its mark, Notepad's Unicode") << QByteArray(
                                                                        "\xFF\xFE"
                                                                        "1\0.\0 \0`O}Y",
                                                                        12)
                                                                 << u"1. 你好"_s;
        QTest::newRow("the marks' characters of the file are dropped") << QByteArray(
                                                                              "A\xEE\x80\x80"
                                                                              "1\xEE\x80\x81")
                                                                       << u"A1"_s;
        QTest::newRow("binary") << QByteArray("ab\0cd", 5)
                                << u"无法识别的文件类型，请打开 .txt、.docx 或 .xlsx 文件："_s;
        QTest::newRow("only blanks") << QByteArray(" \r\n\t") << u"文件里没有文字："_s;
    }
    void text() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"paper.txt"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const PaperFile read = ReadPaper(path);
        QCOMPARE(read.error.isEmpty() ? read.document.text : read.error,
                 expected.endsWith(u'：') ? expected + path : expected);
    }

    void badFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("converter");
        QTest::addColumn<int>("mostQuestions");
        QTest::addColumn<QString>("expected");  // %1: the file's path
        QTest::newRow("old Word file, no LibreOffice")
            << u"old.doc"_s << QString() << 5000
            << u"这是旧版 Word 文件，无法直接读入：%1\r\n请用 Word 或 WPS 打开它，“另存为” .docx "
               u"文件后再导入。（装有 LibreOffice 时本工具会自动转换。）"_s;
        QTest::newRow("encrypted") << u"encrypted.docx"_s << u"soffice"_s << 5000
                                   << u"文件设有打开密码，无法读入：%1\r\n请在 Word/Excel "
                                      u"中取消密码后另存一份，再导入。"_s;
        QTest::newRow("corrupt zip") << u"corrupt.docx"_s << u"soffice"_s << 5000
                                     << u"文件已损坏，或不是 Word/Excel 文件，无法读入：%1"_s;
        QTest::newRow("zip without a document") << u"nodocument.docx"_s << u"soffice"_s << 5000
                                                << u"文件里没有 Word 文档正文，无法读入：%1"_s;
        QTest::newRow("decompression bomb")
            << u"bomb.docx"_s << u"soffice"_s << 5000
            << u"文件解压后太大（超过200MB）或部件太多，可能已损坏，为安全起见停止读入：%1"_s;
        QTest::newRow("nested deeper than any real document")
            << u"deep.docx"_s << u"soffice"_s << 5000
            << u"文件内容有误（word/document.xml 第1行：元素嵌套太深），无法读入：%1"_s;
        QTest::newRow("sheet without a header")
            << u"noheader.xlsx"_s << u"soffice"_s << 5000
            << u"表格的前10行里没有表头，无法读入：%"
               u"1\r\n表头一行写明各列：题型、题目、选项A…选项F、"
               u"答案、难度、解析（点“保存模板…”可得到一份模板）。"_s;
        QTest::newRow("more questions than one import takes")
            << u"sheet-libreoffice.xlsx"_s << u"soffice"_s << 2
            << u"表格里的题目超过 2 道，一次最多导入 2 道，请分几次导入：%1"_s;
        QTest::newRow("no such file")
            << u"missing.docx"_s << u"soffice"_s << 5000 << u"找不到文件：%1"_s;
    }
    void badFile() {
        QFETCH(QString, file);
        QFETCH(QString, converter);
        QFETCH(int, mostQuestions);
        QFETCH(QString, expected);
        PaperReadOptions options;
        options.converter = converter;
        options.mostQuestions = mostQuestions;
        const PaperFile read = ReadPaper(paper(file), options);
        QCOMPARE(read.error, expected.arg(paper(file)));
        QVERIFY(read.document.text.isEmpty() && read.sheet.questions.isEmpty());
    }

    void oldWordConverted() {
        if (QStandardPaths::findExecutable(u"soffice"_s).isEmpty())
            QSKIP("LibreOffice is not installed");
        const PaperFile read = ReadPaper(paper(u"old.doc"_s));
        QCOMPARE(read.error, QString());
        QVERIFY(read.document.text.startsWith(u"一、单选题\n1. 下列哪个是水果？"_s));
        QCOMPARE(read.document.pictures.size(), 3);
    }

    void numberFormats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letters repeat past Z")
            << u"upperLetter"_s << QList<int>{1, 26, 27, 28} << u"A Z AA BB"_s;
        QTest::newRow("Chinese counting")
            << u"chineseCounting"_s << QList<int>{1, 10, 11, 20, 21, 105, 110}
            << u"一 十 十一 二十 二十一 一百零五 一百一十"_s;
        QTest::newRow("circled, then plain")
            << u"decimalEnclosedCircle"_s << QList<int>{1, 20, 21} << u"① ⑳ 21"_s;
        QTest::newRow("Roman") << u"lowerRoman"_s << QList<int>{4, 9, 14} << u"iv ix xiv"_s;
    }
    void numberFormats() {
        QFETCH(QString, format);
        QFETCH(QList<int>, numbers);
        QFETCH(QString, expected);
        QStringList out;
        for (int n : numbers) out << WordNumbering::Format(n, format);
        QCOMPARE(out.join(u' '), expected);
    }
};

QTEST_GUILESS_MAIN(tst_PaperFiles)
#include "tst_PaperFiles.moc"
