#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "EditorFixture.h"
#include "editor/QuestionBrowser.h"
#include "editor/QuestionTable.h"
#include "widgets/PictureBox.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The question window ("改上道", a double click in "题目管理") and the
// question browser, against real servers and the local file.
class tst_QuestionWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorFixture> f_;
    QString endpoint_;

    void useBackend(int backend, const QString& user = u"小李"_s) {
        endpoint_ = OpenServerAndLocal(Backend(backend), f_->folder, f_->server, f_->local);
        f_->login.download1 = f_->login.ser1 = f_->login.mdbfold = endpoint_;
        f_->login.username = user;
    }
    // A question on the server and its twin in the local file; the server id.
    qint64 addBoth(const QString& bank, const QString& type, const QString& question,
                   const QString& adder = u"小李"_s) {
        const qint64 id = AddQuestion(f_->server, bank, type, question);
        const qint64 localId = AddQuestion(f_->local, bank, type, question);
        f_->server.execute(u"update timu set adder = "_s + f_->server.dialect().literal(adder) +
                           u" where id = "_s + QString::number(id));
        f_->local.execute(u"update timu set sid = '"_s + QString::number(id) + u"', adder = "_s +
                          f_->local.dialect().literal(adder) + u" where id = "_s +
                          QString::number(localId));
        return id;
    }
    static QStringList rows(Connection& c, const QString& columns) {
        return Column(c, u"select "_s + columns + u" from timu order by id"_s);
    }
    QStringList bothRows(const QString& columns) {
        return rows(f_->server, columns) + QStringList{u"|"_s} + rows(f_->local, columns);
    }
    template <class T = QWidget>
    static T* in(QWidget* window, const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    static void click(QWidget* window, const char* name) {
        QTest::mouseClick(in(window, name), Qt::LeftButton);
    }
    QuestionBrowser* openBrowser(const QString& bank) {
        f_->form->setBankText(bank);
        f_->click("Command6");
        auto* b = f_->form->findChild<QuestionBrowser*>();
        if (b && !QTest::qWaitForWindowExposed(b)) qWarning("browser not exposed");
        return b;
    }
    static void doubleClickRow(QuestionBrowser* b, int row) {
        auto* grid = in<QTableView>(b, "Grid1");
        const QRect r = grid->visualRect(grid->model()->index(row, 2));
        // The view takes a double click only on the row its press went to.
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    }
    static QStringList listed(QuestionBrowser* b, BrowseColumn column) {
        QStringList out;
        for (int r = 0; r < b->table().rowCount(); ++r) out << b->table().text(r, column);
        return out;
    }

private slots:
    void init() { f_ = std::make_unique<EditorFixture>(); }
    void cleanup() {
        f_.reset();
        const QString faults = SqlServerFaults();
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }

    void previousQuestionIsEditedInBothDatabases_data() { AddBackendRows(true); }
    void previousQuestionIsEditedInBothDatabases() {
        QFETCH(int, backend);
        useBackend(backend);
        addBoth(u"驾驶员题库"_s, u"单选题"_s, u"别的题"_s);
        f_->open();
        f_->platform.answer(Answer::Yes);
        f_->click("Label25");  // nothing added yet
        QCOMPARE(f_->platform.lastText(),
                 u"没有可以修改的上道题：还没有添加过题目，或者上道题没有写入服务器。"_s);

        f_->check("Check1")->setChecked(true);
        for (const char* button : {"b2jpg", "why2jpg"}) {
            QImage picture(40, 30, QImage::Format_RGB32);
            picture.fill(button[0] == 'b' ? Qt::darkGreen : Qt::darkRed);
            QGuiApplication::clipboard()->setImage(picture);
            f_->click(button);
        }
        const QString optionB = f_->edit("SB")->text();
        f_->form->setBankText(u"驾驶员题库"_s);
        f_->box("timu")->setText(u"红灯亮时"_s);
        f_->edit("answer")->setText(u"A"_s);
        f_->edit("SA")->setText(u"停车"_s);
        f_->click("Command1");
        QCOMPARE(f_->platform.lastText(), u"成功添加题目 2、【红灯亮时】"_s);
        const QString others = u"mantype || QUESTION || coalesce(SA, '') || id2 || adder"_s;
        const QStringList before = bothRows(others);
        const QStringList pictures =
            bothRows(u"coalesce(length(BJPG), 0) || '/' || coalesce(length(WJPG), 0)"_s);

        f_->platform.answer(Answer::Yes);
        f_->click("Label25");
        QCOMPARE(f_->login.id2, u"2"_s);
        auto* w = f_->form->findChild<Form11*>();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"修改题目【驾驶员题库】单选题 序号2 (id:2)"_s);
        QCOMPARE(in<QPushButton>(w, "Command1")->text(), u"保存修改"_s);
        QCOMPARE(in<QPushButton>(w, "Command6")->text(), u"删除此题"_s);
        QVERIFY(!in(w, "Command4")->isVisible() && !in(w, "Command5")->isVisible() &&
                !in(w, "Combo3")->isEnabled());
        QVERIFY(in<QCheckBox>(w, "Check1")->isChecked());
        QCOMPARE(in<MultiLineTextBox>(w, "timu")->text(), u"红灯亮时"_s);
        QCOMPARE(in<QLineEdit>(w, "SB")->text(), optionB);
        for (const char* slot : {"BJPG", "WJPG"}) {
            const QString check = QString::fromLatin1(slot).left(1) == u"W"_s
                                      ? u"why1"_s
                                      : QString::fromLatin1(slot) + u"1"_s;
            QVERIFY(w->findChild<QCheckBox*>(check)->isChecked());
            QVERIFY(!in<PictureBox>(w, slot)->picture().isNull());
        }
        QFile shown(in<QLineEdit>(w, "BJPG2")->text());
        QVERIFY(shown.open(QIODevice::ReadOnly));
        QCOMPARE(shown.readAll(),
                 f_->server.scalar(u"select BJPG from timu where id = 2"_s).toByteArray());
        QVERIFY(!in<QCheckBox>(w, "timu1")->isChecked());

        // Corrected: question (normalised as a submission does), option A, and
        // the explanation's picture taken away.
        in<MultiLineTextBox>(w, "timu")->setText(u"红灯亮时 it's A.B.\r\n"_s);
        in<QLineEdit>(w, "SA")->setText(u"停\r\n车"_s);
        in<QCheckBox>(w, "why1")->setChecked(false);
        click(w, "Command1");
        QCOMPARE(f_->platform.lastText(), u"修改已保存到服务器和本地库。"_s);
        QCOMPARE(in<MultiLineTextBox>(w, "timu")->text(), u"红灯亮时 it‘s AB  "_s);
        const QStringList edited = bothRows(u"QUESTION || '/' || SA || '/' || SB"_s);
        for (int row : {1, 4}) QCOMPARE(edited.value(row), u"红灯亮时 it‘s AB  /停车/"_s + optionB);
        QStringList pictured = pictures;
        pictured[1] = pictured[1].section(u'/', 0, 0) + u"/0"_s;
        pictured[4] = pictured[4].section(u'/', 0, 0) + u"/0"_s;
        QCOMPARE(bothRows(u"coalesce(length(BJPG), 0) || '/' || coalesce(length(WJPG), 0)"_s),
                 pictured);
        // Nothing else changed: the other question, the numbers, the log.
        QStringList after = bothRows(others);
        QCOMPARE(after.value(0), before.value(0));
        QCOMPARE(after.value(3), before.value(3));
        QCOMPARE(bothRows(u"id2"_s), (QStringList{u"1"_s, u"2"_s, u"|"_s, u"1"_s, u"2"_s}));
        QCOMPARE(f_->server.scalar(u"select count(*) from rizi"_s).toInt(), 1);

        // Saved: closing asks nothing.
        const int boxes = int(f_->platform.boxes.size());
        QVERIFY(w->close());
        QCOMPARE(f_->platform.boxes.size(), boxes);
    }

    void saveFailuresAndMissingLocalRow_data() {
        QTest::addColumn<QString>("refusing");  // the database whose update fails
        QTest::addColumn<bool>("twin");         // the local file holds the question
        QTest::addColumn<int>("addLocal");      // the answer to adding it: 1 Yes, 0 No
        QTest::addColumn<QString>("message");
        QTest::newRow("server fails")
            << u"server"_s << true << -1 << u"保存修改失败，已停止：【服务器】"_s;
        QTest::newRow("local fails")
            << u"local"_s << true << -1 << u"保存修改失败，已停止：【本地库】"_s;
        QTest::newRow("no local row, added")
            << QString() << false << 1
            << u"修改已保存到服务器；本地库原来没有这道题，已添加到本地库。"_s;
        QTest::newRow("no local row, not added")
            << QString() << false << 0
            << u"修改已保存到服务器；本地库没有这道题，本地库没有改动。"_s;
    }
    void saveFailuresAndMissingLocalRow() {
        QFETCH(QString, refusing);
        QFETCH(bool, twin);
        QFETCH(int, addLocal);
        QFETCH(QString, message);
        useBackend(int(Backend::Sqlite));
        const qint64 id = addBoth(u"会计"_s, u"判断题"_s, u"原题"_s);
        if (!twin) f_->local.execute(u"delete from timu"_s);
        AddQuestion(f_->local, u"会计"_s, u"判断题"_s, u"本地别的题"_s);
        if (!refusing.isEmpty())
            (refusing == u"server"_s ? f_->server : f_->local)
                .execute(
                    u"create trigger refuse before update on timu "
                    "begin select raise(abort, '不许修改'); end"_s);
        const QStringList before = bothRows(u"QUESTION || '/' || coalesce(sid, '')"_s);
        f_->open();
        Form11* w =
            Form11::openQuestion(f_->login, f_->platform, f_->folder.path(),
                                 ServerSettings::defaults(), endpoint_, id, false, f_->form.get());
        QVERIFY(w);
        in<MultiLineTextBox>(w, "timu")->setText(u"改过的题"_s);
        in<QLineEdit>(w, "SA")->setText(u"对"_s);
        in<QLineEdit>(w, "SB")->setText(u"错"_s);
        if (addLocal >= 0) f_->platform.answer(addLocal ? Answer::Yes : Answer::No);
        click(w, "Command1");
        QVERIFY2(f_->platform.lastText().startsWith(message), qPrintable(f_->platform.lastText()));
        if (!refusing.isEmpty()) {
            QVERIFY(f_->platform.lastText().endsWith(u"。服务器和本地库都没有改动。"_s));
            QCOMPARE(bothRows(u"QUESTION || '/' || coalesce(sid, '')"_s), before);
            // Unsaved: closing asks, and No keeps the window.
            f_->platform.answer(Answer::No);
            QVERIFY(!w->close());
            QCOMPARE(f_->platform.boxes.last().caption + f_->platform.lastText(),
                     u"是否放弃修改这道题的修改还没有保存，关闭后修改会丢失。是否关闭？"_s);
            QCOMPARE(f_->platform.boxes.last().preferred, Answer::No);
            f_->platform.answer(Answer::Yes);
            QVERIFY(w->close());
            return;
        }
        QCOMPARE(f_->platform.boxes.value(f_->platform.boxes.size() - 2).caption,
                 u"本地库没有这道题"_s);
        QStringList expected{u"改过的题/"_s, u"|"_s, u"本地别的题/"_s};
        if (addLocal) expected << u"改过的题/"_s + QString::number(id);
        QCOMPARE(bothRows(u"QUESTION || '/' || coalesce(sid, '')"_s), expected);
        if (addLocal)
            QCOMPARE(
                Row(f_->local, u"sid is not null"_s, {u"SB"_s, u"Qtype"_s, u"id2"_s, u"adder"_s}),
                (QStringList{u"错"_s, u"判断题"_s, u"2"_s, u"小李"_s}));
    }

    void browserListsFiltersSearchesAndDeletes_data() { AddBackendRows(true); }
    void browserListsFiltersSearchesAndDeletes() {
        QFETCH(int, backend);
        useBackend(backend);
        // A bank whose name holds LIKE's wildcards and a quote, and one its
        // unescaped pattern would take in.
        const QString bank = u"会%计'_"_s, lookalike = u"会计计'x"_s;
        const QString types[] = {u"单选题"_s, u"多选题"_s, u"单选题"_s,
                                 u"单选题"_s, u"判断题"_s, u"单选题"_s};
        const QString texts[] = {u"打5%折"_s, u"打50折"_s, u"It‘s 5%"_s,
                                 u"第四题"_s, u"第五题"_s, u"第六题"_s};
        QVector<qint64> ids;
        for (int i = 0; i < 6; ++i) ids << addBoth(bank, types[i], texts[i]);
        addBoth(lookalike, u"单选题"_s, u"打5%折"_s);
        // Numbered apart from any renumbering, so the listing's order and the
        // groups left alone show.
        for (Connection* c : {&f_->server, &f_->local})
            c->execute(u"update timu set id2 = 20 + id"_s);
        f_->open();
        // After a login the editor lists the server's banks before its own.
        for (const QString& name : {bank, lookalike, bank}) f_->form->insertBank(0, name);

        QuestionBrowser* b = openBrowser(bank);
        QVERIFY(b);
        QStringList banks;
        for (int i = 0; i < in<QComboBox>(b, "Combo1")->count(); ++i)
            banks << in<QComboBox>(b, "Combo1")->itemText(i);
        QCOMPARE(banks, (QStringList{bank, lookalike}));
        QCOMPARE(in<QLabel>(b, "Label4")->text(), u"题库【会%计'_】共 6 题"_s);
        QCOMPARE(listed(b, BrowseColumn::Question),
                 QStringList(std::begin(texts), std::end(texts)));
        // "5%" is searched literally: "打50折" does not hold it.
        in<QLineEdit>(b, "Text1")->setText(u"5%"_s);
        click(b, "Command1");
        QCOMPARE(listed(b, BrowseColumn::Question), (QStringList{u"打5%折"_s, u"It‘s 5%"_s}));
        in<QLineEdit>(b, "Text1")->setText(u"‘s"_s);
        click(b, "Command1");
        QCOMPARE(listed(b, BrowseColumn::Question), QStringList{u"It‘s 5%"_s});
        in<QLineEdit>(b, "Text1")->clear();
        in<QComboBox>(b, "Combo2")->setCurrentText(u"单选题"_s);
        QCOMPARE(listed(b, BrowseColumn::Question),
                 (QStringList{u"打5%折"_s, u"It‘s 5%"_s, u"第四题"_s, u"第六题"_s}));
        in<QComboBox>(b, "Combo2")->setCurrentIndex(0);
        auto* header = in<QTableView>(b, "Grid1")->horizontalHeader();
        header->setSortIndicator(int(BrowseColumn::Id2), Qt::DescendingOrder);
        QCOMPARE(listed(b, BrowseColumn::Id2),
                 (QStringList{u"26"_s, u"25"_s, u"24"_s, u"23"_s, u"22"_s, u"21"_s}));
        header->setSortIndicator(int(BrowseColumn::Id2), Qt::AscendingOrder);

        // A double click opens the question window.
        doubleClickRow(b, 3);
        auto* w = b->findChild<Form11*>();
        QVERIFY(w);
        QCOMPARE(w->editedQuestionId(), ids[3]);
        w->close();

        // Two single-choice questions go; every group is numbered afresh on both sides.
        auto* grid = in<QTableView>(b, "Grid1");
        grid->selectRow(0);
        grid->selectionModel()->select(grid->model()->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        f_->platform.answer(Answer::Yes);
        click(b, "Command3");
        const auto& boxes = f_->platform.boxes;
        QCOMPARE(boxes.value(boxes.size() - 2).text,
                 u"确定要从服务器和本地库删除题库【会%计'_】的 2 道题目吗？删除后不能恢复。"_s);
        QCOMPARE(boxes.value(boxes.size() - 2).preferred, Answer::No);
        QCOMPARE(f_->platform.lastText(),
                 u"已删除 2 道题目（服务器 2 道，本地库 2 道），题号已重新排列。"_s);
        QCOMPARE(in<QLabel>(b, "Label4")->text(), u"题库【会%计'_】共 4 题"_s);
        for (Connection* c : {&f_->server, &f_->local})
            QCOMPARE(Column(*c, u"select QUESTION || ':' || id2 from timu order by id"_s),
                     (QStringList{u"打50折:22"_s, u"第四题:1"_s, u"第五题:25"_s, u"第六题:2"_s,
                                  u"打5%折:27"_s}));
    }

    void operatorChangesOnlyHisOwnQuestions() {
        useBackend(int(Backend::Sqlite), u"小王"_s);
        addBoth(u"会计"_s, u"单选题"_s, u"管理员的题"_s, u"小李"_s);
        const qint64 own = addBoth(u"会计"_s, u"单选题"_s, u"自己的题"_s, u"小王"_s);
        f_->open();
        QuestionBrowser* b = openBrowser(u"会计"_s);
        QVERIFY(b);
        doubleClickRow(b, 0);
        QCOMPARE(f_->platform.lastText(),
                 u"只能修改自己添加的题目：这道题是【小李】添加的，只有管理员和添加人可以修改。"_s);
        QVERIFY(!b->findChild<Form11*>());
        in<QTableView>(b, "Grid1")->selectAll();
        f_->platform.answer(Answer::Yes);
        click(b, "Command3");
        QCOMPARE(
            f_->platform.lastText(),
            u"只能删除自己添加的题目：选定的 2 道题目中有 1 道不是您添加的，没有删除任何题目。"_s);
        QCOMPARE(bothRows(u"id"_s).size(), 5);

        doubleClickRow(b, 1);
        auto* w = b->findChild<Form11*>();
        QVERIFY(w);
        QVERIFY(in<QLineEdit>(w, "adder")->isReadOnly());
        f_->platform.answer(Answer::Yes);
        click(w, "Command6");
        QCOMPARE(f_->platform.lastText(),
                 u"已删除 1 道题目（服务器 1 道，本地库 1 道），题号已重新排列。"_s);
        QCOMPARE(bothRows(u"QUESTION"_s), (QStringList{u"管理员的题"_s, u"|"_s, u"管理员的题"_s}));
        QCOMPARE(in<QLabel>(b, "Label4")->text(), u"题库【会计】共 1 题"_s);
        Q_UNUSED(own);
    }
};

QTEST_MAIN(tst_QuestionWindow)
#include "tst_QuestionWindow.moc"
