#include "editor/PaperPreview.h"

#include <QBrush>

#include "question/ImportPictures.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {

QuestionField FieldOf(int column) {
    switch (column) {
        case PaperPreview::kType:
            return QuestionField::Type;
        case PaperPreview::kQuestion:
            return QuestionField::Text;
        case PaperPreview::kAnswer:
            return QuestionField::Answer;
        case PaperPreview::kNandu:
            return QuestionField::Nandu;
        case PaperPreview::kWhy0:
            return QuestionField::Why0;
        default:
            return QuestionField(int(QuestionField::OptionA) + column - PaperPreview::kOptionA);
    }
}

bool IsField(int column) {
    return column >= PaperPreview::kType && column <= PaperPreview::kWhy0 &&
           column != PaperPreview::kPictures;
}

// "题目、选项B、解析": the slots that hold a picture.
QString SlotNames(const Question& q) {
    QStringList names;
    for (int slot = 0; slot < kPictureSlots; ++slot) {
        if (q.picturePaths[size_t(slot)].isEmpty()) continue;
        names << (slot == kQuestionPicture      ? QStringLiteral("题目")
                  : slot == kExplanationPicture ? QStringLiteral("解析")
                                                : QStringLiteral("选项") + QChar(u'A' + slot - 1));
    }
    return names.join(u'、');
}

}  // namespace

PaperPreview::PaperPreview(QString bank, QString adder, QObject* parent)
    : QAbstractTableModel(parent), bank_(std::move(bank)), adder_(std::move(adder)) {}

QVector<PaperPreview::Row> PaperPreview::readPaper(
    const QVector<PaperQuestion>& pieces, const QString& qtype,
    const std::shared_ptr<PaperPictures>& pictures) const {
    QVector<Row> rows;
    rows.reserve(pieces.size());
    for (const PaperQuestion& piece : pieces) {
        Row row;
        row.pictures = pictures;
        row.read = [piece, pictures](const QString& type) {
            ImportedQuestion q = ReadQuestion(piece, type);
            if (pictures) PlacePictures(q, piece, pictures->pictures, pictures->unreadable);
            return q;
        };
        row.q = row.read(qtype);
        // A picture that cannot be decoded is read again as its visible mark.
        if (pictures && WriteSlotFiles(row.q, row.written, int(rows.size()) + 1, *pictures,
                                       &row.pictureNotSaved, &row.thumbnail)) {
            row.q = row.read(qtype);
            WriteSlotFiles(row.q, row.written, int(rows.size()) + 1, *pictures,
                           &row.pictureNotSaved, &row.thumbnail);
        }
        row.q.question.bank = bank_;
        row.q.question.adder = adder_;
        rows << row;
    }
    return rows;
}

QVector<PaperPreview::Row> PaperPreview::readSheet(const QVector<SheetQuestion>& questions,
                                                   const QString& qtype) const {
    QVector<Row> rows;
    rows.reserve(questions.size());
    for (const SheetQuestion& sheetRow : questions) {
        Row row;
        row.read = [sheetRow, number = int(rows.size()) + 1](const QString& type) {
            ImportedQuestion q = ReadQuestion(sheetRow, type);
            q.number = number;
            return q;
        };
        row.q = row.read(qtype);
        row.q.question.bank = bank_;
        row.q.question.adder = adder_;
        row.sheetRow = sheetRow.row;
        rows << row;
    }
    return rows;
}

void PaperPreview::show(QVector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    check();
    endResetModel();
}

void PaperPreview::readAgainAs(const QString& qtype) {
    for (int r = 0; r < rows_.size(); ++r) readRowAgainAs(r, qtype);
    check();
    if (!rows_.isEmpty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

void PaperPreview::readRowAgainAs(int r, const QString& qtype) {
    Row& row = rows_[r];
    row.q = ReadAgainAs(row.read, row.q, qtype);
    if (row.pictures)
        WriteSlotFiles(row.q, row.written, r + 1, *row.pictures, &row.pictureNotSaved,
                       &row.thumbnail);
}

QVector<Question> PaperPreview::questions() const {
    QVector<Question> out;
    out.reserve(rows_.size());
    for (const Row& row : rows_) out << row.q.question;
    return out;
}

QString PaperPreview::lookupKey(const Question& q) {
    return LookupText(q.question) + QChar(0) + q.answer;
}

void PaperPreview::setOnServer(const QVector<std::optional<QString>>& id2) {
    for (int r = 0; r < rows_.size(); ++r) {
        rows_[r].onServer = id2.value(r);
        rows_[r].lookedUp = lookupKey(rows_[r].q.question);
    }
    check();
    if (!rows_.isEmpty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

void PaperPreview::tickClean() {
    for (Row& row : rows_) row.ticked = row.faults.isEmpty();
    if (!rows_.isEmpty())
        emit dataChanged(index(0, kNumber), index(rowCount() - 1, kNumber), {Qt::CheckStateRole});
}

void PaperPreview::setTicked(int row, bool ticked) {
    setData(index(row, kNumber), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void PaperPreview::setResult(int row, const QString& result) {
    rows_[row].result = result;
    emit dataChanged(index(row, kResult), index(row, kResult));
}

void PaperPreview::check() {
    const QVector<int> repeats = FindRepeats(questions());
    for (int r = 0; r < rows_.size(); ++r) {
        Row& row = rows_[r];
        QStringList faults = PaperFlags(row.q);
        // "没有找到答案" already says why the answer is empty.
        const Refusal refusal = RefusalOf(row.q.question);
        if (refusal != Refusal::None && !(refusal == Refusal::NoAnswer && !row.q.answerFound))
            faults << RefusalText(refusal);
        if (repeats[r] >= 0)
            faults << QStringLiteral("与第%1题重复").arg(rows_[repeats[r]].q.number);
        if (row.onServer && row.lookedUp == lookupKey(row.q.question))
            faults << QStringLiteral("服务器已有此题（序号") + *row.onServer + QStringLiteral("）");
        if (row.pictureNotSaved) faults << QStringLiteral("图片没有保存到 sysimg 文件夹");
        row.faults = faults.join(QStringLiteral("；"));
    }
}

int PaperPreview::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int PaperPreview::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant PaperPreview::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const Row& row = rows_[index.row()];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole:
            if (column == kPictures) {
                // Beside the thumbnail, how many slots hold a picture when more than one;
                // which ones, in the tip.
                const QString names = SlotNames(row.q.question);
                const qsizetype count = names.isEmpty() ? 0 : names.count(u'、') + 1;
                if (role == Qt::ToolTipRole && count > 0)
                    return QString(QStringLiteral("图片：") + names);
                if (role == Qt::DisplayRole && count > 1)
                    return QString(QString::number(count) + QStringLiteral("张"));
                return {};
            }
            if (column == kNumber) return QString::number(row.q.number);
            if (column == kFaults) return row.faults;
            if (column == kResult) return row.result;
            return row.q.question.field(FieldOf(column));
        case Qt::CheckStateRole:
            if (column == kNumber) return row.ticked ? Qt::Checked : Qt::Unchecked;
            break;
        case Qt::DecorationRole:
            if (column == kPictures && !row.thumbnail.isNull()) return row.thumbnail;
            break;
        case Qt::BackgroundRole:
            if (!row.faults.isEmpty()) return QBrush(ColourFromValue(colour::kEmpty));
            break;
        default:
            break;
    }
    return {};
}

bool PaperPreview::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return false;
    Row& row = rows_[index.row()];
    const int column = index.column();
    if (column == kNumber && role == Qt::CheckStateRole) {
        row.ticked = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }
    if (role != Qt::EditRole || !IsField(column)) return false;
    QString text = value.toString();
    if (column == kType) {
        if (!QuestionTypes().contains(text)) return false;
        readRowAgainAs(index.row(), text);
    } else {
        // Capitals, as the editor's answer box makes them, before anything checks it.
        if (column == kAnswer) text = text.toUpper();
        row.q.question.field(FieldOf(column)) = text;
    }
    check();
    // A change of one row may make another a repeat, or no longer one.
    emit dataChanged(this->index(0, 0), this->index(rowCount() - 1, kColumns - 1));
    return true;
}

Qt::ItemFlags PaperPreview::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kNumber) f |= Qt::ItemIsUserCheckable;
    if (IsField(index.column())) f |= Qt::ItemIsEditable;
    return f;
}

QVariant PaperPreview::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles = [] {
        QStringList t = {QStringLiteral("题号"), QStringLiteral("题型"), QStringLiteral("题目"),
                         QStringLiteral("图片")};
        for (QChar c : QStringLiteral("ABCDEF")) t << QStringLiteral("选项") + c;
        return t << QStringLiteral("答案") << QStringLiteral("难度") << QStringLiteral("解析")
                 << QStringLiteral("问题") << QStringLiteral("结果");
    }();
    return titles[section];
}

}  // namespace qs
