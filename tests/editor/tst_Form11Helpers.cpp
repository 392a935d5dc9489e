#include <QClipboard>
#include <QGuiApplication>
#include <QTextCursor>

#include "EditorFixture.h"
#include "widgets/WindowColours.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

namespace {
const char* const kOptionLabels[] = {"Label6",  "Label8",  "Label10",
                                     "Label12", "Label14", "Label16"};
const char* const kTypes[] = {"Check1", "Check2", "Check3", "Check4", "Check5"};
const QString kHowTo =
    u"添加方式：请把答案保存在选项A-F，或参考条款，如果是截图也保存在选项A。"
    "题目如果非单选文字，也可以截图保存在题目里。"_s;
// Six option texts written "A|B|C|D|E|F".
QStringList Six(const QString& s) {
    return s.split(u'|');
}
}  // namespace

// The one-click helpers around the question's fields, and the import of a
// question copied in one go by double-clicking the question box.
class tst_Form11Helpers : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> f_;

    QLineEdit* edit(const char* name) const { return f_->edit(name); }
    MultiLineTextBox* box(const char* name) const { return f_->box(name); }
    QCheckBox* check(const char* name) const { return f_->check(name); }
    void tick(const char* name) const { f_->click(name); }
    void selectInTimu(int start, int length) const {
        QTextCursor c = box("timu")->textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        box("timu")->setTextCursor(c);
    }
    void pasteIntoTimu(const QString& text) const {
        QGuiApplication::clipboard()->setText(text);
        f_->dblClick(box("timu")->viewport());
    }

private slots:
    void init() {
        f_ = std::make_unique<EditorFixture>();
        f_->open();
    }
    void cleanup() { f_.reset(); }

    void typeSwitching_data() {
        QTest::addColumn<int>("before");  // the type checked first, 1-5
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("fields");  // "timu|answer|why0"
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("efShown");
        QTest::newRow("单选题 hides E and F but keeps their text")
            << 2 << 1 << QString() << u"题|B|解析"_s << u"||||x|x"_s << false;
        QTest::newRow("多选题 clears all six and shows E and F")
            << 1 << 2 << QString() << u"题|B|解析"_s << u"|||||"_s << true;
        QTest::newRow("判断题 after 单选题 leaves E and F hidden")
            << 1 << 3 << QString() << u"|B|--"_s << u"正确|错误||||"_s << false;
        QTest::newRow("判断题 after 多选题 leaves E and F shown")
            << 2 << 3 << QString() << u"|B|--"_s << u"正确|错误||||"_s << true;
        QTest::newRow("填空题") << 1 << 4 << u"填空题"_s + kHowTo << u"|任意|--"_s << u"|||||"_s
                                << true;
        QTest::newRow("应用题") << 1 << 5 << u"应用题"_s + kHowTo << u"|任意|--"_s << u"|||||"_s
                                << true;
    }
    void typeSwitching() {
        QFETCH(int, before);
        QFETCH(int, type);
        QFETCH(QString, message);
        QFETCH(QString, fields);
        QFETCH(QString, options);
        QFETCH(bool, efShown);
        tick(kTypes[before - 1]);
        for (const char* pic : {"timu1", "AJPG1", "FJPG1", "why1"}) check(pic)->setChecked(true);
        box("timu")->setText(u"题"_s);
        edit("answer")->setText(u"B"_s);
        box("why0")->setText(u"解析"_s);
        edit("nandu")->setText(u"困难"_s);
        for (const char* o : {"SA", "SB", "SC", "SD", "SE", "SF"}) edit(o)->setText(u"x"_s);
        f_->platform.clear();

        tick(kTypes[type - 1]);

        QCOMPARE(f_->platform.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        for (int i = 0; i < 5; ++i) QCOMPARE(check(kTypes[i])->isChecked(), i + 1 == type);
        for (const char* pic : {"timu1", "AJPG1", "FJPG1"}) QVERIFY(!check(pic)->isChecked());
        QVERIFY(check("why1")->isChecked());  // the explanation's picture stays
        QCOMPARE(box("timu")->text() + u'|' + edit("answer")->text() + u'|' + box("why0")->text(),
                 fields);
        QCOMPARE(edit("nandu")->text(), u"普通"_s);
        QCOMPARE(f_->options(), Six(options));
        for (const char* name : {"Label14", "SE", "EJPG1", "Label15", "EJPG2", "e2jpg", "Label16",
                                 "SF", "FJPG1", "Label17", "FJPG2", "f2jpg"})
            QVERIFY2(f_->child(name)->isVisible() == efShown, name);
        // The image boxes are not part of the rows that are hidden.
        for (const char* name : {"EJPG", "SC", "SD", "Label10", "Label12"})
            QVERIFY2(f_->child(name)->isVisible(), name);
    }

    void uncheckingATypeChangesNothingElse() {
        tick("Check2");
        edit("SA")->setText(u"甲"_s);
        tick("Check2");
        for (const char* t : kTypes) QVERIFY(!check(t)->isChecked());
        QCOMPARE(edit("SA")->text(), u"甲"_s);
        QVERIFY(edit("SF")->isVisible());
    }

    void optionLabelsPickTheAnswer_data() {
        QTest::addColumn<int>("type");  // 0 none
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("answer");
        QTest::newRow("单选题 takes the last letter") << 1 << u"BD"_s << u"D"_s;
        QTest::newRow("多选题 appends without sorting") << 2 << u"BDB"_s << u"BDB"_s;
        QTest::newRow("多选题 restarts at A") << 2 << u"BAC"_s << u"AC"_s;
        QTest::newRow("no type") << 0 << u"EF"_s << u"F"_s;
    }
    void optionLabelsPickTheAnswer() {
        QFETCH(int, type);
        QFETCH(QString, clicks);
        QFETCH(QString, answer);
        if (type) tick(kTypes[type - 1]);
        for (QChar c : clicks) f_->click(kOptionLabels[c.unicode() - 'A']);
        QCOMPARE(edit("answer")->text(), answer);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(ForeColour(f_->child(kOptionLabels[i])) == colour::kRed,
                     clicks.contains(QChar(u'A' + i)));
    }

    void label18AnswersUpToTheLastFilledOption_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("answer");
        QTest::newRow("A and C") << u"项||项|||"_s << u"ABC"_s;
        QTest::newRow("A only") << u"项|||||"_s << u"A"_s;
        QTest::newRow("only F") << u"|||||项"_s << u"ABCDEF"_s;
        QTest::newRow("none leaves the answer") << u"|||||"_s << u"Z"_s;
    }
    void label18AnswersUpToTheLastFilledOption() {
        QFETCH(QString, options);
        QFETCH(QString, answer);
        edit("answer")->setText(u"Z"_s);
        const char* names[] = {"SA", "SB", "SC", "SD", "SE", "SF"};
        for (int i = 0; i < 6; ++i) edit(names[i])->setText(Six(options)[i]);
        f_->click("Label18");
        QCOMPARE(edit("answer")->text(), answer);
    }

    void difficultyToggles() {
        QLineEdit* nandu = edit("nandu");
        QCOMPARE(nandu->text(), u"普通"_s);
        f_->click("Label19");
        QCOMPARE(nandu->text(), u"困难"_s);
        f_->dblClick(nandu);
        QCOMPARE(nandu->text(), u"普通"_s);
        nandu->setText(u"很难"_s);
        f_->click("Label19");
        QCOMPARE(nandu->text(), u"普通"_s);
    }

    void resetAndFillCommands() {
        // [重置] keeps the type and picture boxes; 判断题 gets its two options back.
        tick("Check3");
        check("timu1")->setChecked(true);
        edit("answer")->setText(u"B"_s);
        edit("nandu")->setText(u"困难"_s);
        edit("SC")->setText(u"丙"_s);
        f_->click("Label21");
        QCOMPARE(box("timu")->text() + edit("answer")->text(), QString());
        QCOMPARE(box("why0")->text(), u"--"_s);
        QCOMPARE(edit("nandu")->text(), u"普通"_s);
        QCOMPARE(f_->options(), Six(u"正确|错误||||"_s));
        QVERIFY(check("Check3")->isChecked() && check("timu1")->isChecked());

        // Without 判断题 every option is emptied.
        tick("Check2");
        edit("SA")->setText(u"甲"_s);
        f_->click("Label21");
        QCOMPARE(f_->options(), QStringList(6));

        f_->click("Label23");
        QCOMPARE(f_->options(), Six(u"如图A|如图B|如图C|如图D||"_s));
        f_->click("Label29");
        QCOMPARE(f_->options(), Six(u"如图A|如图B|无|无||"_s));
        edit("SE")->setText(u"戊"_s);
        f_->click("Label30");
        QCOMPARE(f_->options(), Six(u"||||戊|"_s));

        // 参考条款 puts the kept explanation back, unless none is kept.
        f_->click("Label20");
        QCOMPARE(box("why0")->text(), u"【案例分析题】"_s);
        f_->form->why0save.clear();
        box("why0")->setText(u"自己的"_s);
        f_->click("Label20");
        QCOMPARE(box("why0")->text(), u"自己的"_s);
    }

    void blankMaker_data() {
        QTest::addColumn<int>("type");  // 0 none
        QTest::addColumn<QString>("optionA");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("timu");
        QTest::addColumn<QString>("optionAAfter");
        QTest::newRow("every occurrence") << 0 << QString() << u"红灯停，绿灯行，红灯亮"_s << 0 << 2
                                          << u"（）停，绿灯行，（）亮"_s << QString();
        QTest::newRow("填空题 keeps the question in option A")
            << 4 << QString() << u"首都是北京"_s << 3 << 2 << u"首都是（）"_s << u"首都是北京"_s;
        QTest::newRow("填空题 with option A filled")
            << 4 << u"已有"_s << u"长江在中国"_s << 3 << 2 << u"长江在（）"_s << u"已有"_s;
        QTest::newRow("across a line break")
            << 0 << QString() << u"甲\r\n乙丙"_s << 0 << 3 << u"（）丙"_s << QString();
        // Text pasted from a web page holds no-break spaces; the selection still matches.
        QTest::newRow("no-break spaces") << 0 << QString() << u"北京\u00A0欢迎你，北京\u00A0欢迎"_s
                                         << 0 << 5 << u"（）你，（）"_s << QString();
    }
    void blankMaker() {
        QFETCH(int, type);
        QFETCH(QString, optionA);
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, timu);
        QFETCH(QString, optionAAfter);
        if (type) tick(kTypes[type - 1]);
        edit("SA")->setText(optionA);
        box("timu")->setText(text);
        f_->platform.clear();
        const QString shown = box("timu")->text();
        f_->click("Label22");  // nothing selected
        QCOMPARE(f_->platform.texts(),
                 QStringList{u"请先选中题目中要变括号的文字再点，使文字变括号"_s});
        QCOMPARE(box("timu")->text(), shown);
        selectInTimu(start, length);
        f_->click("Label22");
        QCOMPARE(box("timu")->text(), timu);
        QCOMPARE(edit("SA")->text(), optionAAfter);
    }

    void previousQuestionCommands() {
        Form11& form = *f_->form;
        form.timubak = u"上道题"_s;
        form.sabak = u"甲"_s;
        form.sfbak = u"己"_s;
        form.why0bak = u"上道解析"_s;
        form.id2bak = u"57"_s;
        box("timu")->setText(u"这道题"_s);
        const auto& boxes = f_->platform.boxes;

        f_->platform.answer(Answer::No);
        f_->click("Label24");
        QCOMPARE(boxes.last().caption + boxes.last().text,
                 u"是否还原上道题目的文字？是否要还原上道题目的文字来添加这道题?"_s);
        QCOMPARE(boxes.last().buttons, Buttons::YesNo);
        QCOMPARE(box("timu")->text(), u"这道题"_s);
        f_->platform.answer(Answer::Yes);
        f_->click("Label24");
        QCOMPARE(box("timu")->text(), u"上道题"_s);
        QCOMPARE(f_->options(), Six(u"甲|||||己"_s));
        QCOMPARE(box("why0")->text(), u"上道解析"_s);

        f_->child<QComboBox>("Combo1")->setEditText(u"会计"_s);
        f_->platform.answer(Answer::No);
        f_->click("Label25");
        QCOMPARE(boxes.last().caption + boxes.last().text,
                 u"是否编辑上道题？是否要打还上道题的编辑界面?是另一个界面"_s);
        QCOMPARE(f_->login.id2, QString());
        f_->platform.answer(Answer::Yes);
        f_->click("Label25");
        QCOMPARE(f_->login.id2, u"57"_s);
        QCOMPARE(f_->child<QComboBox>("Combo1")->currentText(), u"会计"_s);
        QCOMPARE(f_->platform.unscripted, 0);
    }

    void boxesAreColouredByContent() {
        QCOMPARE(BackColour(box("timu")), colour::kEmpty);
        QCOMPARE(BackColour(edit("nandu")), colour::kFilled);
        box("timu")->setText(u"题"_s);
        QCOMPARE(BackColour(box("timu")), colour::kFilled);
        box("timu")->setText(QString());
        QCOMPARE(BackColour(box("timu")), colour::kEmpty);
        for (const char* name : {"SA", "SB", "SC", "SD", "SE", "SF", "nandu", "answer"}) {
            edit(name)->setText(u"x"_s);
            QVERIFY2(BackColour(edit(name)) == colour::kFilled, name);
            edit(name)->clear();
            QVERIFY2(BackColour(edit(name)) == colour::kEmpty, name);
        }
        QCOMPARE(ColourFromValue(colour::kFilled), QColor(192, 255, 192));
        QCOMPARE(ColourFromValue(colour::kEmpty), QColor(255, 192, 192));
    }

    void answerIsUpperCaseAndAnyOnDoubleClick() {
        QLineEdit* answer = edit("answer");
        answer->setFocus();
        QTest::keyClicks(answer, u"ab"_s);
        QCOMPARE(answer->text(), u"AB"_s);
        QCOMPARE(answer->cursorPosition(), 2);
        QTest::keyClicks(answer, u"c"_s);
        QCOMPARE(answer->text(), u"ABC"_s);
        answer->setText(u"d"_s);
        QCOMPARE(answer->text(), u"D"_s);
        f_->dblClick(answer);
        QCOMPARE(answer->text(), u"D"_s);
        tick("Check4");
        answer->clear();
        f_->dblClick(answer);
        QCOMPARE(answer->text(), u"任意"_s);
    }

    void doubleClicksPasteTheClipboard() {
        // A no-break space, as text copied from a web page holds, is kept.
        QGuiApplication::clipboard()->setText(u"什么?是的？\u00a0ok?"_s);
        for (const char* name : {"SA", "SB", "SC", "SD", "SE", "SF"}) {
            f_->dblClick(edit(name));
            QCOMPARE(edit(name)->text(), u"什么 是的？\u00a0ok "_s);
        }
        f_->dblClick(box("why0")->viewport());
        QCOMPARE(box("why0")->text(), u"什么?是的？\u00a0ok?"_s);

        // A clipboard without text leaves the boxes alone, the question box too.
        box("timu")->setText(u"已有题目"_s);
        edit("answer")->setText(u"B"_s);
        QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
        for (QWidget* w :
             {static_cast<QWidget*>(edit("SA")), box("why0")->viewport(), box("timu")->viewport()})
            f_->dblClick(w);
        QCOMPARE(f_->options(), QStringList(6, u"什么 是的？\u00a0ok "_s));
        QCOMPARE(box("why0")->text() + box("timu")->text() + edit("answer")->text(),
                 u"什么?是的？\u00a0ok?已有题目B"_s);
    }

    // The parser's worked examples, with the clipboard as the operator copies it.
    void pasteThroughTheDoubleClick_data() {
        QTest::addColumn<QByteArray>("type");  // the type box ticked first
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("timu");
        QTest::addColumn<QString>("options");  // E and F held "原有" before
        QTest::addColumn<QString>("answer");
        QTest::newRow("单选题 with 、 markers")
            << QByteArray("Check1")
            << u"下列哪项正确？\r\nA、甲\r\nB、乙\r\nC、丙\r\nD、丁\r\n答案：C"_s
            << u"下列哪项正确？"_s << u"甲|乙|丙|丁|原有|原有"_s << u"C"_s;
        // Copied from a desktop application, the text reaches the clipboard with bare line feeds.
        QTest::newRow("单选题 copied with line feeds")
            << QByteArray("Check1") << u"下列哪项正确？\nA、甲\nB、乙\r\nC、丙\nD、丁\n答案：C"_s
            << u"下列哪项正确？"_s << u"甲|乙|丙|丁|原有|原有"_s << u"C"_s;
        QTest::newRow("多选题 answer in alphabetical order")
            << QByteArray("Check2")
            << u"哪些是水果\r\nA.苹果\r\nB.石头\r\nC.铁\r\nD.梨\r\n正确答案：DA"_s
            << u"哪些是水果"_s << u"苹果|石头|铁|梨|原有|原有"_s << u"AD"_s;
        QTest::newRow("单选题 keeps the first letter of the answer part")
            << QByteArray("Check1") << u"题干\r\nA.一\r\nB.二\r\n答案：B。解析：A项错误"_s
            << u"题干"_s << u"一|二|||原有|原有"_s << u"A"_s;
        QTest::newRow("填空题 without capitals goes to the stem and option A")
            << QByteArray("Check4") << u"中国的首都是____。"_s << u"中国的首都是____。"_s
            << u"中国的首都是____。||||原有|原有"_s << u"任意"_s;
        QTest::newRow("判断题 takes the whole text")
            << QByteArray("Check3") << u"地球是圆的。\r\n答案：正确"_s
            << u"地球是圆的。\r\n答案：正确"_s << u"正确|错误|||原有|原有"_s << u"A"_s;
    }
    void pasteThroughTheDoubleClick() {
        QFETCH(QByteArray, type);
        QFETCH(QString, clipboard);
        QFETCH(QString, timu);
        QFETCH(QString, options);
        QFETCH(QString, answer);
        tick(type.constData());
        edit("SE")->setText(u"原有"_s);
        edit("SF")->setText(u"原有"_s);
        pasteIntoTimu(clipboard);
        QCOMPARE(box("timu")->text(), timu);
        QCOMPARE(f_->options(), Six(options));
        QCOMPARE(edit("answer")->text(), answer);
    }

    void pastedPictureQuestionKeepsItsStem() {
        f_->platform.clock = QDateTime(QDate(2026, 12, 7), QTime(14, 30, 5));
        tick("timu1");
        QCOMPARE(box("timu")->text(), u"题目如图2026/12/7 14:30:05"_s);
        pasteIntoTimu(u"A.x B.y"_s);
        QCOMPARE(box("timu")->text(), u"题目如图2026/12/7 14:30:05【题目如图】"_s);
        QCOMPARE(f_->options(), Six(u"x |y||||"_s));
        // Unticking leaves the question text as it is.
        tick("timu1");
        QVERIFY(!check("timu1")->isChecked());
        QCOMPARE(box("timu")->text(), u"题目如图2026/12/7 14:30:05【题目如图】"_s);
    }
};

QTEST_MAIN(tst_Form11Helpers)
#include "tst_Form11Helpers.moc"
