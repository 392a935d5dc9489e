#include "question/SheetReader.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QXmlStreamReader>
#include <optional>

#include "question/PaperArchive.h"
#include "question/PaperColumns.h"
#include "question/PaperDocument.h"

namespace qs {

namespace {

using namespace Qt::StringLiterals;

QString RelAttr(const QXmlStreamReader& x, QStringView name) {
    for (const QXmlStreamAttribute& a : x.attributes())
        if (a.name() == name && a.namespaceUri().contains(u"relationships"))
            return a.value().toString();
    return {};
}

// "_x000D_": a character the XML could not hold as it is.
QString Unescaped(QString text) {
    qsizetype at = text.indexOf(u"_x");
    while (at >= 0 && at + 6 < text.size()) {
        bool ok = false;
        const int code = QStringView(text).sliced(at + 2, 4).toInt(&ok, 16);
        if (ok && text[at + 6] == u'_') {
            text.replace(at, 7, QChar(char16_t(code)));
            at = text.indexOf(u"_x", at + 1);
        } else {
            at = text.indexOf(u"_x", at + 2);
        }
    }
    return text;
}

// The text of a string item (<si>, <is>): its <t>, or its runs' <t> joined; the phonetic
// guides (<rPh>) are not part of it.
QString RichText(QXmlStreamReader& x, int depth = 0) {
    QString text;
    while (x.readNextStartElement()) {
        if (x.name() == u"t")
            text += x.readElementText();
        else if (x.name() == u"rPh" || depth > 20)
            x.skipCurrentElement();  // deeper than any real string item: not read
        else
            text += RichText(x, depth + 1);
    }
    return text;
}

int ColumnOf(QStringView reference) {
    int column = 0;
    for (const QChar c : reference) {
        const QChar u = c.toUpper();
        if (u < u'A' || u > u'Z') break;
        column = column * 26 + (u.unicode() - u'A' + 1);
    }
    return column - 1;
}

QString NoHeaderMessage(const QString& name) {
    return u"表格的前%1行里没有表头，无法读入：%"
           u"2\r\n表头一行写明各列：题型、题目、选项A…选项F、答案、"
           u"难度、解析（点“保存模板…”可得到一份模板）。"_s.arg(kHeaderSearchRows)
               .arg(name);
}

class SheetBook {
public:
    SheetBook(PaperArchive& archive) : archive_(archive) {}

    bool read(const QString& workbookPart, int mostQuestions, PaperSheet* out, QString* error) {
        QString problem;
        const QString folder = workbookPart.left(workbookPart.lastIndexOf(u'/') + 1);
        const QString file = workbookPart.mid(folder.size());
        const QByteArray workbook = archive_.read(workbookPart, &problem);
        const QByteArray rels = archive_.read(folder + u"_rels/"_s + file + u".rels"_s, &problem);
        if (!problem.isEmpty()) return fail(problem, error);

        QString sheetId;
        QXmlStreamReader w(workbook);
        while (!w.atEnd()) {
            if (w.readNext() != QXmlStreamReader::StartElement) continue;
            const QXmlStreamAttributes a = w.attributes();
            if (w.name() == u"workbookPr")
                date1904_ = a.value(u"date1904"_s) == u"1" || a.value(u"date1904"_s) == u"true";
            if (w.name() == u"sheet" && sheetId.isEmpty() && a.value(u"state"_s) != u"hidden" &&
                a.value(u"state"_s) != u"veryHidden") {
                sheetId = RelAttr(w, u"id");
                out->sheetName = a.value(u"name"_s).toString();
            }
        }
        if (w.hasError()) return malformed(workbookPart, w, error);

        QString sheetPart, sharedPart, stylesPart;
        QXmlStreamReader r(rels);
        while (!rels.isEmpty() && !r.atEnd()) {
            if (r.readNext() != QXmlStreamReader::StartElement || r.name() != u"Relationship")
                continue;
            const QXmlStreamAttributes a = r.attributes();
            const QString target = a.value(u"Target"_s).toString();
            const QString path =
                QDir::cleanPath(target.startsWith(u'/') ? target.mid(1) : folder + target);
            const QStringView type = a.value(u"Type"_s);
            if (a.value(u"Id"_s) == sheetId) sheetPart = path;
            if (type.endsWith(u"/sharedStrings")) sharedPart = path;
            if (type.endsWith(u"/styles")) stylesPart = path;
        }
        if (r.hasError()) return malformed(folder + u"_rels/"_s + file + u".rels"_s, r, error);
        if (sheetPart.isEmpty() || !archive_.contains(sheetPart))
            return fail(u"工作簿里没有工作表，无法读入："_s + archive_.displayName(), error);

        if (!readShared(sharedPart, error) || !readStyles(stylesPart, error)) return false;
        return readSheet(sheetPart, mostQuestions, out, error);
    }

private:
    bool fail(const QString& message, QString* error) {
        *error = message;
        return false;
    }
    bool malformed(const QString& part, const QXmlStreamReader& x, QString* error) {
        // A stream stopped by a limit says so rather than what the XML reader saw of it.
        if (!archive_.failure().isEmpty()) return fail(archive_.failure(), error);
        return fail(MalformedPartMessage(
                        archive_.displayName(),
                        u"%1 第%2行：%3"_s.arg(part).arg(x.lineNumber()).arg(x.errorString())),
                    error);
    }

    bool readShared(const QString& part, QString* error) {
        if (part.isEmpty() || !archive_.contains(part)) return true;
        std::unique_ptr<QIODevice> device = archive_.stream(part, error);
        if (!device) return false;
        QXmlStreamReader x(device.get());
        // Only the root element <sst>: reading past its end reports a premature end.
        if (x.readNextStartElement()) {
            while (x.readNextStartElement()) {
                if (x.name() == u"si")
                    shared_ << WithoutMarkCharacters(Unescaped(RichText(x)));
                else
                    x.skipCurrentElement();
            }
        }
        if (x.hasError()) return malformed(part, x, error);
        return true;
    }

    bool readStyles(const QString& part, QString* error) {
        if (part.isEmpty()) return true;
        QString problem;
        const QByteArray xml = archive_.read(part, &problem);
        if (!problem.isEmpty()) return fail(problem, error);
        QXmlStreamReader x(xml);
        bool cellFormats = false;
        while (!xml.isEmpty() && !x.atEnd()) {
            const QXmlStreamReader::TokenType t = x.readNext();
            if (t == QXmlStreamReader::EndElement && x.name() == u"cellXfs") cellFormats = false;
            if (t != QXmlStreamReader::StartElement) continue;
            const QXmlStreamAttributes a = x.attributes();
            if (x.name() == u"numFmt")
                codes_.insert(a.value(u"numFmtId"_s).toInt(), a.value(u"formatCode"_s).toString());
            else if (x.name() == u"cellXfs")
                cellFormats = true;
            else if (cellFormats && x.name() == u"xf")
                formatOfStyle_ << a.value(u"numFmtId"_s).toInt();
        }
        if (x.hasError()) return malformed(part, x, error);
        return true;
    }

    QString cellText(const QString& type, int style, const QString& value,
                     const QString& inlineText) const {
        if (type == u"inlineStr") return inlineText;
        if (type == u"s") {
            bool ok = false;
            const int i = value.toInt(&ok);
            return ok && i >= 0 && i < shared_.size() ? shared_[i] : QString();
        }
        if (type == u"str" || type == u"e") return WithoutMarkCharacters(Unescaped(value));
        if (type == u"b") return value.trimmed() == u"1" ? u"TRUE"_s : u"FALSE"_s;
        if (type == u"d") {
            const QDateTime when = QDateTime::fromString(value, Qt::ISODate);
            if (!when.isValid()) return value;
            return when.time() == QTime(0, 0) ? when.toString(u"yyyy-MM-dd"_s)
                                              : when.toString(u"yyyy-MM-dd HH:mm:ss"_s);
        }
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok) return WithoutMarkCharacters(value);
        const int id = style >= 0 && style < formatOfStyle_.size() ? formatOfStyle_[style] : 0;
        return SheetNumberText(number, id, codes_.value(id), date1904_);
    }

    bool readSheet(const QString& part, int mostQuestions, PaperSheet* out, QString* error) {
        std::unique_ptr<QIODevice> device = archive_.stream(part, error);
        if (!device) return false;
        QXmlStreamReader x(device.get());
        std::optional<PaperHeader> header;
        int rowsSearched = 0, nextRow = 1;
        QStringList cells;
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"row") continue;
            bool ok = false;
            const int row = x.attributes().value(u"r"_s).toInt(&ok);
            const int rowNumber = ok ? row : nextRow;
            nextRow = rowNumber + 1;
            cells.clear();
            int column = -1;
            while (x.readNextStartElement()) {
                if (x.name() != u"c") {
                    x.skipCurrentElement();
                    continue;
                }
                const QXmlStreamAttributes a = x.attributes();
                const QStringView reference = a.value(u"r"_s);
                column = reference.isEmpty() ? column + 1 : ColumnOf(reference);
                const QString type = a.value(u"t"_s).toString();
                const int style = a.value(u"s"_s).isEmpty() ? -1 : a.value(u"s"_s).toInt();
                QString value, inlineText;
                while (x.readNextStartElement()) {
                    if (x.name() == u"v")
                        value = x.readElementText();
                    else if (x.name() == u"is")
                        inlineText = WithoutMarkCharacters(Unescaped(RichText(x)));
                    else
                        x.skipCurrentElement();  // the formula: its value is in <v>
                }
                if (column < 0 || column > 16383) continue;
                while (cells.size() <= column) cells << QString();
                cells[column] = cellText(type, style, value, inlineText).trimmed();
            }
            bool filled = false;
            for (const QString& c : cells) filled = filled || !c.isEmpty();
            if (!filled) continue;
            if (!header) {
                header = ReadHeader(cells);
                if (header) out->ignoredColumns = header->unknown;
                if (!header && ++rowsSearched >= kHeaderSearchRows) break;
                continue;
            }
            SheetQuestion q;
            q.row = rowNumber;
            bool any = false;
            for (qsizetype c = 0; c < cells.size() && c < header->columns.size(); ++c) {
                const int f = header->columns[c];
                if (f < 0 || f == kNumberColumn || cells[c].isEmpty()) continue;
                any = true;
                QString* fields[] = {&q.qtype,      &q.question,   &q.options[0], &q.options[1],
                                     &q.options[2], &q.options[3], &q.options[4], &q.options[5],
                                     &q.answer,     &q.difficulty, &q.explanation};
                *fields[f] = cells[c];
            }
            if (!any) continue;
            if (out->questions.size() == mostQuestions)
                return fail(u"表格里的题目超过 %1 道，一次最多导入 %1 道，请分几次导入：%2"_s
                                .arg(mostQuestions)
                                .arg(archive_.displayName()),
                            error);
            out->questions << q;
        }
        if (x.hasError()) return malformed(part, x, error);
        if (!header) return fail(NoHeaderMessage(archive_.displayName()), error);
        if (out->questions.isEmpty())
            return fail(u"表格里只有表头，没有题目：%1"_s.arg(archive_.displayName()), error);
        return true;
    }

    PaperArchive& archive_;
    bool date1904_ = false;
    QStringList shared_;
    QVector<int> formatOfStyle_;
    QHash<int, QString> codes_;
};

}  // namespace

bool ReadSheetPaper(PaperArchive& archive, const QString& workbookPart, int mostQuestions,
                    PaperSheet* out, QString* error) {
    PaperSheet sheet;
    SheetBook book(archive);
    if (!book.read(workbookPart, mostQuestions, &sheet, error)) return false;
    *out = std::move(sheet);
    return true;
}

}  // namespace qs
