#include "question/WordReader.h"

#include <QBuffer>
#include <QDir>
#include <QHash>
#include <QXmlStreamReader>
#include <optional>

#include "question/PaperArchive.h"
#include "question/PaperColumns.h"
#include "question/WordNumbering.h"

namespace qs {

namespace {

using namespace Qt::StringLiterals;

constexpr QStringView kWordNs = u"http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr QStringView kWordStrictNs = u"http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr QStringView kMathNs = u"http://schemas.openxmlformats.org/officeDocument/2006/math";
constexpr QStringView kCompatNs = u"http://schemas.openxmlformats.org/markup-compatibility/2006";

// Relationship attributes (r:embed, r:id, r:link) by local name: transitional and strict
// documents put them in different namespaces.
QString RelAttr(const QXmlStreamReader& x, QStringView name) {
    for (const QXmlStreamAttribute& a : x.attributes())
        if (a.name() == name && a.namespaceUri().contains(u"relationships"))
            return a.value().toString();
    return {};
}

// The Symbol and Wingdings characters papers use, by their code in the font.
QString SymbolText(const QString& font, int code) {
    static const QHash<int, char16_t> symbol = {
        {0xB4, u'×'}, {0xB8, u'÷'}, {0xB1, u'±'}, {0xA3, u'≤'}, {0xB3, u'≥'}, {0xB9, u'≠'},
        {0xD6, u'√'}, {0xA5, u'∞'}, {0xB0, u'°'}, {0xBB, u'≈'}, {0xAE, u'→'}, {0xAC, u'←'},
        {0xDE, u'⇒'}, {0xD0, u'∠'}, {0x5E, u'⊥'}, {0x70, u'π'}, {0x61, u'α'}, {0x62, u'β'},
        {0x67, u'γ'}, {0x64, u'δ'}, {0x65, u'ε'}, {0x71, u'θ'}, {0x6C, u'λ'}, {0x6D, u'μ'},
        {0x72, u'ρ'}, {0x73, u'σ'}, {0x74, u'τ'}, {0x6A, u'φ'}, {0x77, u'ω'}, {0x57, u'Ω'},
        {0x44, u'Δ'}, {0x53, u'Σ'}, {0x50, u'Π'}, {0xC6, u'∅'}, {0xCE, u'∈'}, {0xC7, u'∩'},
        {0xC8, u'∪'}, {0xCC, u'⊂'}, {0xB6, u'∂'}, {0xF2, u'∫'}, {0xB7, u'•'}, {0xBA, u'≡'}};
    static const QHash<int, char16_t> wingdings = {{0xFC, u'✓'}, {0xFB, u'✗'}, {0xFE, u'☑'},
                                                   {0xFD, u'☒'}, {0xA8, u'□'}, {0x6C, u'●'},
                                                   {0x6E, u'■'}, {0xA1, u'○'}};
    if (code < 0xE000) return QString(QChar(char16_t(code)));
    const int inFont = code >= 0xF000 ? code - 0xF000 : code;
    const auto& table = font.startsWith(u"Wingdings", Qt::CaseInsensitive) ? wingdings : symbol;
    const auto it = table.constFind(inFont);
    if (it != table.constEnd()) return QString(QChar(*it));
    if (inFont >= 0x20 && inFont < 0x7F && &table == &symbol)
        return QString(QChar(char16_t(inFont)));
    return QString(QChar::ReplacementCharacter);
}

bool IsOptionMarker(QStringView line) {
    qsizetype i = 0;
    while (i < line.size() && line[i].isSpace()) ++i;
    if (i + 1 >= line.size() || line[i] < u'A' || line[i] > u'F') return false;
    return QStringView(u".．。，,、").contains(line[i + 1]);
}

bool IsBareNumber(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.isEmpty()) return false;
    for (QChar c : t)
        if (!c.isDigit()) return false;
    return true;
}

QString Joined(const QStringList& lines) {
    QStringList filled;
    for (const QString& l : lines)
        if (!l.trimmed().isEmpty()) filled << l.trimmed();
    return filled.join(u' ');
}

bool IsFilled(const QStringList& cell) {
    for (const QString& l : cell)
        if (!l.trimmed().isEmpty()) return true;
    return false;
}

QStringList HeaderTableLines(const QVector<QVector<QStringList>>& rows, const PaperHeader& h) {
    QStringList lines;
    QString type;
    int section = 0, number = 0;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        QVector<QString> field(kPaperColumns);
        for (qsizetype c = 0; c < rows[r].size() && c < h.columns.size(); ++c)
            if (h.columns[c] >= 0) field[h.columns[c]] = rows[r][c].join(u'\n').trimmed();
        bool any = false;
        for (int f = 0; f < kPaperColumns; ++f)
            any = any || (f != kNumberColumn && !field[f].isEmpty());
        if (!any) continue;
        if (!field[kTypeColumn].isEmpty() && field[kTypeColumn] != type) {
            type = field[kTypeColumn];
            lines << WordNumbering::Format(++section, u"chineseCounting"_s) + u'、' + type;
            number = 0;
        }
        lines << QString::number(++number) + u". "_s + field[kQuestionColumn];
        for (int i = 0; i < 6; ++i)
            if (!field[kOptionAColumn + i].isEmpty())
                lines << QChar(u'A' + i) + u"."_s + field[kOptionAColumn + i];
        if (!field[kAnswerColumn].isEmpty()) lines << u"答案："_s + field[kAnswerColumn];
        if (!field[kDifficultyColumn].isEmpty()) lines << u"难度："_s + field[kDifficultyColumn];
        if (!field[kExplanationColumn].isEmpty()) lines << u"解析："_s + field[kExplanationColumn];
    }
    return lines;
}

// One paragraph as it is read.
struct Paragraph {
    QString text;
    QStringList after;  // the lines of its text boxes
    QString style;
    std::optional<int> numId, level;
    bool numbered = false;
};

class WordBody {
public:
    WordBody(PaperArchive& archive, const QString& part, PaperDocument& doc)
        : archive_(archive), part_(part), doc_(doc) {}

    bool read(QString* error) {
        QString problem;
        const QString folder = part_.left(part_.lastIndexOf(u'/') + 1);
        const QString file = part_.mid(folder.size());
        const QString relsPart = folder + u"_rels/"_s + file + u".rels"_s;
        const QByteArray rels = archive_.read(relsPart, &problem);
        const QByteArray numbering = archive_.read(folder + u"numbering.xml"_s, &problem);
        const QByteArray styles = archive_.read(folder + u"styles.xml"_s, &problem);
        const QByteArray body = archive_.read(part_, &problem);
        if (!problem.isEmpty()) {
            *error = problem;
            return false;
        }
        if (!readRelationships(rels, relsPart, folder, &problem) ||
            !numbering_.load(numbering, styles, &problem)) {
            *error = MalformedPartMessage(archive_.displayName(), problem);
            return false;
        }
        QBuffer buffer;
        buffer.setData(body);
        buffer.open(QIODevice::ReadOnly);
        x_.setDevice(&buffer);
        QStringList lines;
        // Only the root element: reading past its end reports a premature end.
        if (x_.readNextStartElement()) readBlocks(lines);
        if (!failure_.isEmpty()) {
            *error = failure_;
            return false;
        }
        if (x_.hasError()) {
            *error = MalformedPartMessage(
                archive_.displayName(),
                u"%1 第%2行：%3"_s.arg(part_).arg(x_.lineNumber()).arg(x_.errorString()));
            return false;
        }
        doc_.text = lines.join(u'\n');
        return true;
    }

private:
    bool isWord(QStringView name) const {
        return x_.name() == name &&
               (x_.namespaceUri() == kWordNs || x_.namespaceUri() == kWordStrictNs);
    }
    QString wordAttr(QStringView name) const {
        return x_.attributes().value(x_.namespaceUri().toString(), name.toString()).toString();
    }

    bool readRelationships(const QByteArray& xml, const QString& part, const QString& folder,
                           QString* problem) {
        QXmlStreamReader r(xml);
        while (!xml.isEmpty() && !r.atEnd()) {
            if (r.readNext() != QXmlStreamReader::StartElement || r.name() != u"Relationship")
                continue;
            const QXmlStreamAttributes a = r.attributes();
            const QString target = a.value(u"Target"_s).toString();
            if (a.value(u"TargetMode"_s) == u"External") {
                relationships_.insert(a.value(u"Id"_s).toString(), QString());
                continue;
            }
            const QString path = target.startsWith(u'/') ? target.mid(1) : folder + target;
            relationships_.insert(a.value(u"Id"_s).toString(), QDir::cleanPath(path));
        }
        if (r.hasError()) *problem = part + u"："_s + r.errorString();
        return !r.hasError();
    }

    // Each reading function descends one element; a hostile file nested deeper than any real
    // document stops with a message instead of exhausting the stack.
    struct Descent {
        explicit Descent(WordBody& body) : body_(body) {
            if (++body_.depth_ > kDeepest) body_.x_.raiseError(u"元素嵌套太深"_s);
        }
        ~Descent() { --body_.depth_; }
        WordBody& body_;
    };
    static constexpr int kDeepest = 200;

    // The children of a body, a table cell or a text box, each paragraph and table as lines.
    void readBlocks(QStringList& lines) {
        const Descent descent(*this);
        while (x_.readNextStartElement()) {
            if (isWord(u"p")) {
                readParagraph(lines);
            } else if (isWord(u"tbl")) {
                readTable(lines);
            } else if (isWord(u"del") || isWord(u"moveFrom") || isWord(u"sectPr") ||
                       isWord(u"sdtPr") || isWord(u"sdtEndPr") || isWord(u"tblPr")) {
                x_.skipCurrentElement();
            } else if (x_.namespaceUri() == kCompatNs && x_.name() == u"AlternateContent") {
                readAlternative([&] { readBlocks(lines); });
            } else {
                readBlocks(lines);  // sdt, sdtContent, customXml, ins, body …
            }
        }
    }

    // Markup compatibility: the first choice is read, the others and the fallback (which
    // repeat it for older readers) are not.
    template <typename ReadChoice>
    void readAlternative(ReadChoice readChoice) {
        bool taken = false;
        while (x_.readNextStartElement()) {
            if (!taken && x_.name() == u"Choice") {
                taken = true;
                readChoice();
            } else if (!taken && x_.name() == u"Fallback") {
                taken = true;
                readChoice();
            } else {
                x_.skipCurrentElement();
            }
        }
    }

    void readParagraph(QStringList& lines) {
        Paragraph p;
        readInline(p);
        number(p);
        lines += p.text.split(u'\n');
        lines += p.after;
    }

    void number(Paragraph& p) {
        if (p.numbered) return;
        p.numbered = true;
        p.text.prepend(numbering_.next(p.style, p.numId, p.level));
    }

    void readProperties(Paragraph& p) {
        while (x_.readNextStartElement()) {
            if (isWord(u"pStyle")) {
                p.style = wordAttr(u"val");
                x_.skipCurrentElement();
            } else if (isWord(u"numPr")) {
                while (x_.readNextStartElement()) {
                    bool ok = false;
                    const int v = wordAttr(u"val").toInt(&ok);
                    if (ok && isWord(u"numId")) p.numId = v;
                    if (ok && isWord(u"ilvl")) p.level = v;
                    x_.skipCurrentElement();
                }
            } else {
                x_.skipCurrentElement();  // rPr, pPrChange (the former properties), sectPr …
            }
        }
    }

    // Everything inside a paragraph: runs and what wraps them, down to text, pictures and
    // equations.
    void readInline(Paragraph& p) {
        const Descent descent(*this);
        while (x_.readNextStartElement()) {
            if (isWord(u"pPr")) {
                readProperties(p);
                continue;
            }
            number(p);
            const QStringView name = x_.name();
            if (isWord(u"t")) {
                p.text += WithoutMarkCharacters(x_.readElementText());
            } else if (isWord(u"tab")) {
                p.text += u'\t';
                x_.skipCurrentElement();
            } else if (isWord(u"br") || isWord(u"cr")) {
                p.text += u'\n';
                x_.skipCurrentElement();
            } else if (isWord(u"noBreakHyphen")) {
                p.text += u'-';
                x_.skipCurrentElement();
            } else if (isWord(u"sym")) {
                p.text += WithoutMarkCharacters(
                    SymbolText(wordAttr(u"font"), wordAttr(u"char").toInt(nullptr, 16)));
                x_.skipCurrentElement();
            } else if (isWord(u"rPr") || isWord(u"del") || isWord(u"moveFrom") ||
                       isWord(u"sdtPr") || isWord(u"instrText") || isWord(u"delText") ||
                       isWord(u"footnoteReference") || isWord(u"endnoteReference")) {
                x_.skipCurrentElement();
            } else if (isWord(u"object")) {
                readObject(p);
            } else if (isWord(u"txbxContent")) {
                readBlocks(p.after);
            } else if (x_.namespaceUri() == kMathNs && (name == u"oMathPara" || name == u"oMath")) {
                p.text += kEquationMark;
                x_.skipCurrentElement();
            } else if (name == u"blip") {
                const QString embedded = RelAttr(x_, u"embed");
                picture(p, embedded);
                x_.skipCurrentElement();
            } else if (name == u"imagedata") {
                picture(p, RelAttr(x_, u"id"));
                x_.skipCurrentElement();
            } else if (name == u"chart" || name == u"relIds") {
                p.text += kUnreadablePictureMark;  // a chart, a SmartArt diagram
                x_.skipCurrentElement();
            } else if (x_.namespaceUri() == kCompatNs && name == u"AlternateContent") {
                readAlternative([&] { readInline(p); });
            } else {
                readInline(p);  // r, hyperlink, ins, smartTag, fldSimple, sdt, drawing, pict …
            }
        }
    }

    // An embedded object shows a preview picture; an equation of the old equation editors is
    // an equation, not a picture.
    void readObject(Paragraph& p) {
        QStringList previews;
        bool equation = false;
        for (int depth = 1; depth > 0 && !x_.atEnd();) {
            const QXmlStreamReader::TokenType t = x_.readNext();
            if (t == QXmlStreamReader::EndElement) --depth;
            if (t != QXmlStreamReader::StartElement) continue;
            ++depth;
            if (x_.name() == u"imagedata") previews << RelAttr(x_, u"id");
            if (x_.name() == u"blip") previews << RelAttr(x_, u"embed");
            if (x_.name() == u"OLEObject" &&
                x_.attributes().value(u"ProgID"_s).startsWith(u"Equation", Qt::CaseInsensitive))
                equation = true;
        }
        if (equation) {
            p.text += kEquationMark;
            return;
        }
        for (const QString& id : previews) picture(p, id);
    }

    void picture(Paragraph& p, const QString& relationship) {
        const QString target = relationships_.value(relationship);
        if (target.isEmpty()) {
            p.text += kUnreadablePictureMark;  // linked, not in the file
            return;
        }
        auto cached = pictures_.constFind(target);
        if (cached == pictures_.constEnd()) {
            QString problem;
            PaperPicture read;
            read.bytes = archive_.read(target, &problem);
            if (!problem.isEmpty() && failure_.isEmpty()) failure_ = problem;
            read.format = PictureFormat(read.bytes);
            cached = pictures_.insert(target, read);
        }
        static const QStringList decodable = {u"png"_s, u"jpeg"_s, u"gif"_s,
                                              u"bmp"_s, u"tiff"_s, u"webp"_s};
        if (!decodable.contains(cached->format)) {
            p.text += kUnreadablePictureMark;
            return;
        }
        p.text += PictureMark(int(doc_.pictures.size()));
        doc_.pictures << *cached;
    }

    void readTable(QStringList& lines) {
        QVector<QVector<QStringList>> rows;
        readTableContent(rows);
        lines += TableLines(rows);
    }

    void readTableContent(QVector<QVector<QStringList>>& rows) {
        const Descent descent(*this);
        while (x_.readNextStartElement()) {
            if (isWord(u"tr")) {
                rows << QVector<QStringList>();
                readTableContent(rows);
            } else if (isWord(u"tc")) {
                if (rows.isEmpty()) rows << QVector<QStringList>();
                QStringList cell;
                readBlocks(cell);
                rows.last() << cell;
            } else if (isWord(u"tblPr") || isWord(u"tblGrid") || isWord(u"trPr") ||
                       isWord(u"tblPrEx") || isWord(u"del") || isWord(u"sdtPr")) {
                x_.skipCurrentElement();
            } else {
                readTableContent(rows);  // sdt, customXml, ins around rows or cells
            }
        }
    }

    PaperArchive& archive_;
    QString part_;
    PaperDocument& doc_;
    QXmlStreamReader x_;
    WordNumbering numbering_;
    QHash<QString, QString> relationships_;
    QHash<QString, PaperPicture> pictures_;
    QString failure_;
    int depth_ = 0;
};

}  // namespace

QStringList TableLines(const QVector<QVector<QStringList>>& rows) {
    if (!rows.isEmpty()) {
        QStringList first;
        for (const QStringList& cell : rows.first()) first << Joined(cell);
        if (const std::optional<PaperHeader> header = ReadHeader(first))
            return HeaderTableLines(rows, *header);
    }
    QStringList lines;
    for (const QVector<QStringList>& row : rows) {
        QVector<QStringList> cells;
        for (const QStringList& cell : row)
            if (IsFilled(cell)) cells << cell;
        if (cells.isEmpty()) continue;
        bool options = cells.size() > 1;
        for (const QStringList& cell : cells) {
            QString first;
            for (const QString& l : cell)
                if (first.isEmpty() && !l.trimmed().isEmpty()) first = l;
            options = options && IsOptionMarker(first);
        }
        if (cells.size() == 1 || options) {
            for (const QStringList& cell : cells)
                for (const QString& l : cell)
                    if (!l.trimmed().isEmpty()) lines << l;
            continue;
        }
        QStringList parts;
        for (const QStringList& cell : cells) parts << Joined(cell);
        if (IsBareNumber(parts.first())) parts.first() = parts.first().trimmed() + u'.';
        lines << parts.join(u' ');
    }
    return lines;
}

QString PictureFormat(const QByteArray& b) {
    if (b.startsWith("\x89PNG")) return u"png"_s;
    if (b.startsWith("\xFF\xD8\xFF")) return u"jpeg"_s;
    if (b.startsWith("GIF8")) return u"gif"_s;
    if (b.startsWith("BM")) return u"bmp"_s;
    if (b.startsWith(QByteArrayView("II*\0", 4)) || b.startsWith(QByteArrayView("MM\0*", 4)))
        return u"tiff"_s;
    if (b.startsWith("RIFF") && b.mid(8, 4) == "WEBP") return u"webp"_s;
    if (b.startsWith(QByteArrayView("\x01\0\0\0", 4)) && b.mid(40, 4) == " EMF") return u"emf"_s;
    if (b.startsWith("\xD7\xCD\xC6\x9A") || b.startsWith(QByteArrayView("\x01\0\x09\0", 4)) ||
        b.startsWith(QByteArrayView("\x02\0\x09\0", 4)))
        return u"wmf"_s;
    if (b.left(256).contains("<svg")) return u"svg"_s;
    return {};
}

bool ReadWordPaper(PaperArchive& archive, const QString& documentPart, PaperDocument* out,
                   QString* error) {
    PaperDocument doc;
    WordBody body(archive, documentPart, doc);
    if (!body.read(error)) return false;
    *out = std::move(doc);
    return true;
}

}  // namespace qs
