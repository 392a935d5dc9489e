#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTextCursor>

#include "EditorFixture.h"
#include "editor/MultiLineTextBox.h"
#include "editor/WindowColours.h"

using namespace qs;
using namespace qs::test;

namespace {
const QString kFillIn = QStringLiteral(
    "填空题添加方式：请把答案保存在选项A-F，或参考条款，如果是截图也保存在选项A。"
    "题目如果非单选文字，也可以截图保存在题目里。");
const QString kApplication = QStringLiteral(
    "应用题添加方式：请把答案保存在选项A-F，或参考条款，如果是截图也保存在选项A。"
    "题目如果非单选文字，也可以截图保存在题目里。");
const char* const kOptions[] = {"SA", "SB", "SC", "SD", "SE", "SF"};
const char* const kOptionLabels[] = {"Label6",  "Label8",  "Label10",
                                     "Label12", "Label14", "Label16"};
const char* const kTypes[] = {"Check1", "Check2", "Check3", "Check4", "Check5"};
}  // namespace

// The one-click helpers around the question's fields.
class tst_Form11Helpers : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f_.reset(); }

    void typeSwitching_data();
    void typeSwitching();
    void uncheckingATypeChangesNothingElse();
    void optionLabelsPickTheAnswer_data();
    void optionLabelsPickTheAnswer();
    void label18AnswersUpToTheLastFilledOption_data();
    void label18AnswersUpToTheLastFilledOption();
    void difficultyToggles();
    void resetAndFillCommands();
    void blankMaker();
    void previousQuestionCommands();
    void boxesAreColouredByContent();
    void answerIsUpperCaseAndAnyOnDoubleClick();
    void doubleClicksPasteTheClipboard();

private:
    QLineEdit* edit(const char* name) const { return f_->child<QLineEdit>(name); }
    MultiLineTextBox* box(const char* name) const { return f_->child<MultiLineTextBox>(name); }
    QCheckBox* check(const char* name) const { return f_->child<QCheckBox>(name); }
    QStringList options() const {
        QStringList out;
        for (const char* o : kOptions) out << edit(o)->text();
        return out;
    }
    void selectInTimu(int start, int length) const {
        QTextCursor c = box("timu")->textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        box("timu")->setTextCursor(c);
    }
    std::unique_ptr<EditorFixture> f_;
};

void tst_Form11Helpers::init() {
    f_ = std::make_unique<EditorFixture>();
    f_->open();
}

void tst_Form11Helpers::typeSwitching_data() {
    QTest::addColumn<int>("before");  // the type checked first, 1-5
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("timu");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("why0");
    QTest::addColumn<QStringList>("expectedOptions");
    QTest::addColumn<bool>("efShown");
    const QString x = QStringLiteral("x");
    const QString q = QStringLiteral("题");
    const QString e = QString();
    QTest::newRow("单选题 hides E and F but keeps their text")
        << 2 << 1 << e << q << QStringLiteral("B") << QStringLiteral("解析")
        << QStringList{e, e, e, e, x, x} << false;
    QTest::newRow("多选题 clears all six and shows E and F")
        << 1 << 2 << e << q << QStringLiteral("B") << QStringLiteral("解析")
        << QStringList{e, e, e, e, e, e} << true;
    QTest::newRow("判断题 after 单选题 leaves E and F hidden")
        << 1 << 3 << e << e << QStringLiteral("B") << QStringLiteral("--")
        << QStringList{QStringLiteral("正确"), QStringLiteral("错误"), e, e, e, e} << false;
    QTest::newRow("判断题 after 多选题 leaves E and F shown")
        << 2 << 3 << e << e << QStringLiteral("B") << QStringLiteral("--")
        << QStringList{QStringLiteral("正确"), QStringLiteral("错误"), e, e, e, e} << true;
    QTest::newRow("填空题") << 1 << 4 << kFillIn << e << QStringLiteral("任意")
                            << QStringLiteral("--") << QStringList{e, e, e, e, e, e} << true;
    QTest::newRow("应用题") << 1 << 5 << kApplication << e << QStringLiteral("任意")
                            << QStringLiteral("--") << QStringList{e, e, e, e, e, e} << true;
}

void tst_Form11Helpers::typeSwitching() {
    QFETCH(int, before);
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(QString, timu);
    QFETCH(QString, answer);
    QFETCH(QString, why0);
    QFETCH(QStringList, expectedOptions);
    QFETCH(bool, efShown);

    QTest::mouseClick(check(kTypes[before - 1]), Qt::LeftButton);
    for (const char* pic : {"timu1", "AJPG1", "FJPG1"}) check(pic)->setChecked(true);
    box("timu")->setText(QStringLiteral("题"));
    edit("answer")->setText(QStringLiteral("B"));
    box("why0")->setText(QStringLiteral("解析"));
    edit("nandu")->setText(QStringLiteral("困难"));
    for (const char* o : kOptions) edit(o)->setText(QStringLiteral("x"));
    f_->platform.clear();

    QTest::mouseClick(check(kTypes[type - 1]), Qt::LeftButton);

    QCOMPARE(f_->platform.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    for (int i = 0; i < 5; ++i) QCOMPARE(check(kTypes[i])->isChecked(), i + 1 == type);
    for (const char* pic : {"timu1", "AJPG1", "FJPG1"}) QVERIFY(!check(pic)->isChecked());
    QCOMPARE(box("timu")->text(), timu);
    QCOMPARE(edit("answer")->text(), answer);
    QCOMPARE(box("why0")->text(), why0);
    QCOMPARE(edit("nandu")->text(), QStringLiteral("普通"));
    QCOMPARE(options(), expectedOptions);
    for (const char* name : {"Label14", "SE", "EJPG1", "Label15", "EJPG2", "e2jpg", "Label16", "SF",
                             "FJPG1", "Label17", "FJPG2", "f2jpg"})
        QVERIFY2(f_->child<QWidget>(name)->isVisible() == efShown, name);
    // The image boxes are not part of the rows that are hidden.
    QVERIFY(f_->child<QWidget>("EJPG")->isVisible());
    for (const char* name : {"SC", "SD", "Label10", "Label12"})
        QVERIFY(f_->child<QWidget>(name)->isVisible());
}

void tst_Form11Helpers::uncheckingATypeChangesNothingElse() {
    QTest::mouseClick(check("Check2"), Qt::LeftButton);
    edit("SA")->setText(QStringLiteral("甲"));
    QTest::mouseClick(check("Check2"), Qt::LeftButton);
    for (const char* t : kTypes) QVERIFY(!check(t)->isChecked());
    QCOMPARE(edit("SA")->text(), QStringLiteral("甲"));
    QVERIFY(edit("SF")->isVisible());
}

void tst_Form11Helpers::optionLabelsPickTheAnswer_data() {
    QTest::addColumn<int>("type");  // 0 none
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("answer");
    QTest::newRow("单选题 takes the last letter")
        << 1 << QStringLiteral("BD") << QStringLiteral("D");
    QTest::newRow("多选题 appends without sorting")
        << 2 << QStringLiteral("BDB") << QStringLiteral("BDB");
    QTest::newRow("多选题 restarts at A") << 2 << QStringLiteral("BAC") << QStringLiteral("AC");
    QTest::newRow("no type") << 0 << QStringLiteral("EF") << QStringLiteral("F");
}

void tst_Form11Helpers::optionLabelsPickTheAnswer() {
    QFETCH(int, type);
    QFETCH(QString, clicks);
    QFETCH(QString, answer);
    if (type) QTest::mouseClick(check(kTypes[type - 1]), Qt::LeftButton);
    for (QChar c : clicks) f_->click(kOptionLabels[c.unicode() - 'A']);
    QCOMPARE(edit("answer")->text(), answer);
    for (int i = 0; i < 6; ++i) {
        const bool clicked = clicks.contains(QChar(u'A' + i));
        QCOMPARE(ForeColour(f_->child<QWidget>(kOptionLabels[i])) == colour::kRed, clicked);
    }
}

void tst_Form11Helpers::label18AnswersUpToTheLastFilledOption_data() {
    QTest::addColumn<QString>("filled");  // letters of the non-empty options
    QTest::addColumn<QString>("answer");
    QTest::newRow("A and C") << QStringLiteral("AC") << QStringLiteral("ABC");
    QTest::newRow("A only") << QStringLiteral("A") << QStringLiteral("A");
    QTest::newRow("only F") << QStringLiteral("F") << QStringLiteral("ABCDEF");
    QTest::newRow("all six") << QStringLiteral("ABCDEF") << QStringLiteral("ABCDEF");
    QTest::newRow("none leaves the answer") << QString() << QStringLiteral("Z");
}

void tst_Form11Helpers::label18AnswersUpToTheLastFilledOption() {
    QFETCH(QString, filled);
    QFETCH(QString, answer);
    edit("answer")->setText(QStringLiteral("Z"));
    for (QChar c : filled) edit(kOptions[c.unicode() - 'A'])->setText(QStringLiteral("项"));
    f_->click("Label18");
    QCOMPARE(edit("answer")->text(), answer);
}

void tst_Form11Helpers::difficultyToggles() {
    QLineEdit* nandu = edit("nandu");
    QCOMPARE(nandu->text(), QStringLiteral("普通"));
    f_->click("Label19");
    QCOMPARE(nandu->text(), QStringLiteral("困难"));
    QTest::mouseDClick(nandu, Qt::LeftButton);
    QCOMPARE(nandu->text(), QStringLiteral("普通"));
    nandu->setText(QStringLiteral("很难"));
    f_->click("Label19");
    QCOMPARE(nandu->text(), QStringLiteral("普通"));
}

void tst_Form11Helpers::resetAndFillCommands() {
    // [重置] keeps the type and picture boxes; 判断题 gets its two options back.
    QTest::mouseClick(check("Check3"), Qt::LeftButton);
    check("timu1")->setChecked(true);
    edit("answer")->setText(QStringLiteral("B"));
    edit("nandu")->setText(QStringLiteral("困难"));
    edit("SC")->setText(QStringLiteral("丙"));
    f_->click("Label21");
    QCOMPARE(box("timu")->text(), QString());
    QCOMPARE(edit("answer")->text(), QString());
    QCOMPARE(box("why0")->text(), QStringLiteral("--"));
    QCOMPARE(edit("nandu")->text(), QStringLiteral("普通"));
    QCOMPARE(options(),
             (QStringList{QStringLiteral("正确"), QStringLiteral("错误"), {}, {}, {}, {}}));
    QVERIFY(check("Check3")->isChecked());
    QVERIFY(check("timu1")->isChecked());

    // Without 判断题 every option is emptied.
    QTest::mouseClick(check("Check2"), Qt::LeftButton);
    edit("SA")->setText(QStringLiteral("甲"));
    f_->click("Label21");
    QCOMPARE(options(), QStringList(6));

    f_->click("Label23");
    QCOMPARE(options(), (QStringList{QStringLiteral("如图A"),
                                     QStringLiteral("如图B"),
                                     QStringLiteral("如图C"),
                                     QStringLiteral("如图D"),
                                     {},
                                     {}}));
    f_->click("Label29");
    QCOMPARE(edit("SC")->text(), QStringLiteral("无"));
    QCOMPARE(edit("SD")->text(), QStringLiteral("无"));
    edit("SE")->setText(QStringLiteral("戊"));
    f_->click("Label30");
    QCOMPARE(options(), (QStringList{{}, {}, {}, {}, QStringLiteral("戊"), {}}));

    // 参考条款 puts the kept explanation back, unless none is kept.
    f_->click("Label20");
    QCOMPARE(box("why0")->text(), QStringLiteral("【案例分析题】"));
    f_->form->why0save.clear();
    box("why0")->setText(QStringLiteral("自己的"));
    f_->click("Label20");
    QCOMPARE(box("why0")->text(), QStringLiteral("自己的"));
}

void tst_Form11Helpers::blankMaker() {
    MultiLineTextBox* timu = box("timu");
    timu->setText(QStringLiteral("红灯停，绿灯行，红灯亮"));
    f_->click("Label22");
    QCOMPARE(f_->platform.lastText(),
             QStringLiteral("请先选中题目中要变括号的文字再点，使文字变括号"));
    QCOMPARE(timu->text(), QStringLiteral("红灯停，绿灯行，红灯亮"));

    // Every occurrence of the selection becomes a blank.
    selectInTimu(0, 2);
    f_->click("Label22");
    QCOMPARE(timu->text(), QStringLiteral("（）停，绿灯行，（）亮"));
    QCOMPARE(edit("SA")->text(), QString());

    // 填空题 keeps the whole question in option A first, unless A holds text.
    QTest::mouseClick(check("Check4"), Qt::LeftButton);
    timu->setText(QStringLiteral("首都是北京"));
    selectInTimu(3, 2);
    f_->click("Label22");
    QCOMPARE(timu->text(), QStringLiteral("首都是（）"));
    QCOMPARE(edit("SA")->text(), QStringLiteral("首都是北京"));
    timu->setText(QStringLiteral("长江在中国"));
    selectInTimu(3, 2);
    f_->click("Label22");
    QCOMPARE(timu->text(), QStringLiteral("长江在（）"));
    QCOMPARE(edit("SA")->text(), QStringLiteral("首都是北京"));

    // A selection across a line break matches the stored "\r\n".
    timu->setText(QStringLiteral("甲\r\n乙丙"));
    selectInTimu(0, 3);
    f_->click("Label22");
    QCOMPARE(timu->text(), QStringLiteral("（）丙"));

    // Text pasted from a web page holds no-break spaces; the selection still matches.
    timu->setText(QStringLiteral("北京\u00A0欢迎你，北京\u00A0欢迎"));
    selectInTimu(0, 5);
    f_->click("Label22");
    QCOMPARE(timu->text(), QStringLiteral("（）你，（）"));
}

void tst_Form11Helpers::previousQuestionCommands() {
    Form11& form = *f_->form;
    form.timubak = QStringLiteral("上道题");
    form.sabak = QStringLiteral("甲");
    form.sfbak = QStringLiteral("己");
    form.why0bak = QStringLiteral("上道解析");
    form.id2bak = QStringLiteral("57");
    box("timu")->setText(QStringLiteral("这道题"));

    f_->platform.answer(Answer::No);
    f_->click("Label24");
    QCOMPARE(f_->platform.boxes.last().caption, QStringLiteral("是否还原上道题目的文字？"));
    QCOMPARE(f_->platform.boxes.last().text,
             QStringLiteral("是否要还原上道题目的文字来添加这道题?"));
    QCOMPARE(f_->platform.boxes.last().buttons, Buttons::YesNo);
    QCOMPARE(box("timu")->text(), QStringLiteral("这道题"));

    f_->platform.answer(Answer::Yes);
    f_->click("Label24");
    QCOMPARE(box("timu")->text(), QStringLiteral("上道题"));
    QCOMPARE(options(), (QStringList{QStringLiteral("甲"), {}, {}, {}, {}, QStringLiteral("己")}));
    QCOMPARE(box("why0")->text(), QStringLiteral("上道解析"));

    f_->child<QComboBox>("Combo1")->setEditText(QStringLiteral("会计"));
    f_->platform.answer(Answer::No);
    f_->click("Label25");
    QCOMPARE(f_->platform.boxes.last().caption, QStringLiteral("是否编辑上道题？"));
    QCOMPARE(f_->platform.boxes.last().text,
             QStringLiteral("是否要打还上道题的编辑界面?是另一个界面"));
    QCOMPARE(f_->login.id2, QString());
    f_->platform.answer(Answer::Yes);
    f_->click("Label25");
    QCOMPARE(f_->login.id2, QStringLiteral("57"));
    QCOMPARE(f_->child<QComboBox>("Combo1")->currentText(), QStringLiteral("会计"));
    QCOMPARE(f_->platform.unscripted, 0);
}

void tst_Form11Helpers::boxesAreColouredByContent() {
    QCOMPARE(BackColour(box("timu")), colour::kEmpty);
    QCOMPARE(BackColour(edit("nandu")), colour::kFilled);
    box("timu")->setText(QStringLiteral("题"));
    QCOMPARE(BackColour(box("timu")), colour::kFilled);
    box("timu")->setText(QString());
    QCOMPARE(BackColour(box("timu")), colour::kEmpty);
    for (const char* name : {"SA", "SB", "SC", "SD", "SE", "SF", "nandu", "answer"}) {
        edit(name)->setText(QStringLiteral("x"));
        QVERIFY2(BackColour(edit(name)) == colour::kFilled, name);
        edit(name)->clear();
        QVERIFY2(BackColour(edit(name)) == colour::kEmpty, name);
    }
    QCOMPARE(ColourFromValue(colour::kFilled), QColor(192, 255, 192));
    QCOMPARE(ColourFromValue(colour::kEmpty), QColor(255, 192, 192));
}

void tst_Form11Helpers::answerIsUpperCaseAndAnyOnDoubleClick() {
    QLineEdit* answer = edit("answer");
    answer->setFocus();
    QTest::keyClicks(answer, QStringLiteral("ab"));
    QCOMPARE(answer->text(), QStringLiteral("AB"));
    QCOMPARE(answer->cursorPosition(), 2);
    QTest::keyClicks(answer, QStringLiteral("c"));
    QCOMPARE(answer->text(), QStringLiteral("ABC"));
    answer->setText(QStringLiteral("d"));
    QCOMPARE(answer->text(), QStringLiteral("D"));

    QTest::mouseDClick(answer, Qt::LeftButton);
    QCOMPARE(answer->text(), QStringLiteral("D"));
    QTest::mouseClick(check("Check4"), Qt::LeftButton);
    answer->clear();
    QTest::mouseDClick(answer, Qt::LeftButton);
    QCOMPARE(answer->text(), QStringLiteral("任意"));
}

void tst_Form11Helpers::doubleClicksPasteTheClipboard() {
    QClipboard* cb = QGuiApplication::clipboard();
    cb->setText(QStringLiteral("什么?是的？ok?"));
    for (const char* name : kOptions) {
        QTest::mouseDClick(edit(name), Qt::LeftButton);
        QCOMPARE(edit(name)->text(), QStringLiteral("什么 是的？ok "));
    }
    QTest::mouseDClick(box("why0")->viewport(), Qt::LeftButton);
    QCOMPARE(box("why0")->text(), QStringLiteral("什么?是的？ok?"));

    // A clipboard without text leaves the boxes alone.
    cb->setImage(QImage(4, 4, QImage::Format_RGB32));
    QTest::mouseDClick(edit("SA"), Qt::LeftButton);
    QTest::mouseDClick(box("why0")->viewport(), Qt::LeftButton);
    QCOMPARE(edit("SA")->text(), QStringLiteral("什么 是的？ok "));
    QCOMPARE(box("why0")->text(), QStringLiteral("什么?是的？ok?"));
}

QTEST_MAIN(tst_Form11Helpers)
#include "tst_Form11Helpers.moc"
