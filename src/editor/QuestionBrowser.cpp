#include "editor/QuestionBrowser.h"

#include <QHeaderView>
#include <QScrollBar>

#include "bank/BankMaintenance.h"
#include "bank/QuestionWriter.h"
#include "db/DbError.h"
#include "editor/Form11.h"
#include "editor/QuestionTable.h"
#include "ui_QuestionBrowser.h"

namespace qs {

QuestionBrowser::QuestionBrowser(LoginState& login, Platform& platform,
                                 const QString& programFolder, const ServerSettings& settings,
                                 const QString& endpoint, const QStringList& banks,
                                 const QString& bank, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::QuestionBrowser>()),
      login_(login),
      platform_(platform),
      programFolder_(programFolder),
      settings_(settings),
      endpoint_(endpoint),
      table_(new QuestionTable(this)) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ui_->Label1->setBuddy(ui_->Combo1);
    ui_->Label2->setBuddy(ui_->Combo2);
    ui_->Label3->setBuddy(ui_->Text1);
    ui_->Combo1->setCompleter(nullptr);
    // The editor lists the server's banks and its own, so most names come twice.
    QStringList names = banks;
    names.removeDuplicates();
    ui_->Combo1->addItems(names);
    ui_->Combo1->setCurrentIndex(-1);
    ui_->Combo1->setEditText(bank);
    ui_->Combo2->addItem(QStringLiteral("全部题型"));
    ui_->Combo2->addItems(QuestionTypes());
    setWindowTitle(QStringLiteral("题目管理 - ") + endpoint);

    ui_->Grid1->setModel(table_);
    ui_->Grid1->setSortingEnabled(true);
    ui_->Grid1->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    QHeaderView* header = ui_->Grid1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    const int widths[] = {56, 64, 330, 56, 48, 72, 120, 40};
    for (int c = 0; c < int(BrowseColumn::Count); ++c) header->resizeSection(c, widths[c]);
    header->setStretchLastSection(true);
    ui_->Grid1->verticalHeader()->setDefaultSectionSize(ui_->Grid1->fontMetrics().height() + 6);
    ui_->Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    connect(ui_->Command1, &QPushButton::clicked, this, &QuestionBrowser::Command1_Click);
    connect(ui_->Text1, &QLineEdit::returnPressed, this, &QuestionBrowser::Command1_Click);
    connect(ui_->Combo1, &QComboBox::activated, this, &QuestionBrowser::Combo1_Click);
    connect(ui_->Combo2, &QComboBox::currentIndexChanged, this, &QuestionBrowser::Combo2_Click);
    connect(ui_->Grid1, &QTableView::doubleClicked, this, &QuestionBrowser::Grid1_DblClick);
    connect(ui_->Command2, &QPushButton::clicked, this, &QuestionBrowser::Command2_Click);
    connect(ui_->Command3, &QPushButton::clicked, this, &QuestionBrowser::Command3_Click);
    connect(table_, &QuestionTable::pageWanted, this, &QuestionBrowser::table_PageWanted);
    connect(table_, &QuestionTable::sortWanted, this, &QuestionBrowser::Command1_Click);
    Command1_Click();
}

QuestionBrowser::~QuestionBrowser() = default;

void QuestionBrowser::showCount() {
    ui_->Label4->setText(QStringLiteral("题库【") + table_->filter().bank +
                         QStringLiteral("】共 ") + QString::number(table_->rowCount()) +
                         QStringLiteral(" 题"));
}

void QuestionBrowser::Command1_Click() {
    const QString bank = ui_->Combo1->currentText();
    if (!BankMaintenance::bankChosen(bank)) {
        table_->clear();
        ui_->Label4->setText(QStringLiteral("请先选择题库！"));
        return;
    }
    BrowseFilter f;
    f.bank = bank;
    f.type = ui_->Combo2->currentIndex() > 0 ? ui_->Combo2->currentText() : QString();
    f.search = ui_->Text1->text();
    const QHeaderView* header = ui_->Grid1->horizontalHeader();
    f.sortBy =
        BrowseColumn(qBound(0, header->sortIndicatorSection(), int(BrowseColumn::Count) - 1));
    f.descending = header->sortIndicatorOrder() == Qt::DescendingOrder;
    const int scrolled = ui_->Grid1->verticalScrollBar()->value();
    const bool sameList = table_->filter().bank == f.bank && table_->filter().type == f.type &&
                          table_->filter().search == f.search;
    settlePending();
    try {
        table_->show(worker_.run(
            [&](WorkerContext& c) { return QuestionTable::Read(c.server(endpoint_), f); }));
    } catch (const DbError& e) {
        listFailed(WorkFailure(Side::Server, e));
        return;
    } catch (const WorkFailure& f) {
        listFailed(f);
        return;
    }
    showCount();
    // After a save or a deletion the operator stays where he was.
    if (sameList) ui_->Grid1->verticalScrollBar()->setValue(scrolled);
}

void QuestionBrowser::settlePending() {
    if (!pending_.pending()) return;
    const QString found = worker_.run(
        [&](WorkerContext& c) { return pending_.settle(c.connections(), programFolder_); });
    if (!found.isEmpty()) platform_.message(this, found);
}

void QuestionBrowser::listFailed(const WorkFailure& failure) {
    table_->clear();
    ui_->Label4->setText(QStringLiteral("读取失败"));
    platform_.message(this, failure.message(QStringLiteral("读取题目列表")));
}

void QuestionBrowser::Combo1_Click() {
    Command1_Click();
}

void QuestionBrowser::Combo2_Click() {
    Command1_Click();
}

void QuestionBrowser::table_PageWanted(int listing, int page, const QVector<qint64>& ids) {
    DatabaseWorker::start(
        this,
        [endpoint = endpoint_, ids](WorkerContext& c) {
            return QuestionTable::ReadPage(c.server(endpoint), ids);
        },
        [this, listing, page](QuestionTable::Rows rows, std::exception_ptr failure) {
            // The rows stay empty; the window says why.
            try {
                if (failure) std::rethrow_exception(failure);
            } catch (const WorkFailure& f) {
                ui_->Label4->setText(QStringLiteral("读取题目失败：") + f.error().text());
            } catch (const DbError& e) {
                ui_->Label4->setText(QStringLiteral("读取题目失败：") + e.text());
            }
            table_->setPage(listing, page, std::move(rows));
        });
}

void QuestionBrowser::openQuestion(int row) {
    const qint64 id = table_->idAt(row);
    if (id == 0) return;
    Form11* window = Form11::openQuestion(login_, platform_, programFolder_, settings_, endpoint_,
                                          id, false, this);
    if (window)
        connect(window, &Form11::questionChanged, this, &QuestionBrowser::Command1_Click,
                Qt::UniqueConnection);
}

void QuestionBrowser::Grid1_DblClick(const QModelIndex& index) {
    if (index.isValid()) openQuestion(index.row());
}

void QuestionBrowser::Command2_Click() {
    const QModelIndex current = ui_->Grid1->currentIndex();
    if (!current.isValid()) {
        platform_.message(this, QStringLiteral("请先选定要修改的题目。"));
        return;
    }
    openQuestion(current.row());
}

void QuestionBrowser::Command3_Click() {
    QList<int> rows;
    for (const QModelIndex& i : ui_->Grid1->selectionModel()->selectedRows()) rows << i.row();
    const QVector<qint64> ids = table_->ids(rows);
    if (ids.isEmpty()) {
        platform_.message(this, QStringLiteral("请先选定要删除的题目。"));
        return;
    }
    settlePending();
    const EditResult result = deleteQuestions(
        platform_, this, {endpoint_, programFolder_, login_.username, {}}, table_->filter().bank,
        ids, login_.isAdministrator() ? QString() : login_.username);
    pending_.keep(result.unknown);
    if (result.done) {
        ui_->Grid1->clearSelection();
        Command1_Click();
    }
}

EditResult QuestionBrowser::deleteQuestions(Platform& platform, QWidget* owner,
                                            const WriteContext& place, const QString& bank,
                                            const QVector<qint64>& ids, const QString& onlyAdder) {
    if (platform.message(owner, QuestionWriter::confirmDeleteText(bank, int(ids.size())),
                         QStringLiteral("是否删除题目"), Buttons::YesNo, Answer::No) != Answer::Yes)
        return {};
    DatabaseWorker worker;
    const EditResult result = worker.run([&](WorkerContext& c) {
        return QuestionWriter(place, c.connections()).remove(ids, onlyAdder);
    });
    platform.message(owner, result.text);
    return result;
}

}  // namespace qs
