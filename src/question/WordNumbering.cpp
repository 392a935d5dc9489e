#include "question/WordNumbering.h"

#include <QXmlStreamReader>

namespace qs {

namespace {

using namespace Qt::StringLiterals;

// Word's own attributes live in its element's namespace.
QString Attr(const QXmlStreamReader& x, QStringView name) {
    return x.attributes().value(x.namespaceUri().toString(), name.toString()).toString();
}

std::optional<int> IntAttr(const QXmlStreamReader& x, QStringView name) {
    bool ok = false;
    const int v = Attr(x, name).toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// An on/off property: present means on unless its value says otherwise.
bool OnOff(const QXmlStreamReader& x) {
    const QString v = Attr(x, u"val");
    return v.isEmpty() || (v != u"0" && v != u"false" && v != u"off");
}

QString Roman(int n, bool upper) {
    if (n <= 0 || n >= 4000) return QString::number(n);
    static const std::pair<int, const char*> parts[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString out;
    for (const auto& [value, text] : parts)
        while (n >= value) {
            out += QLatin1StringView(text);
            n -= value;
        }
    return upper ? out.toUpper() : out;
}

// 1 一, 10 十, 11 十一, 20 二十, 105 一百零五, 1010 一千零一十.
QString Chinese(int n, QStringView digits, QStringView units) {
    if (n == 0) return digits.first(1).toString();
    if (n < 0 || n >= 10000) return QString::number(n);
    QString out;
    const int place[] = {1000, 100, 10, 1};
    bool zero = false;
    for (int i = 0; i < 4; ++i) {
        const int d = (n / place[i]) % 10;
        if (d == 0) {
            zero = !out.isEmpty();
            continue;
        }
        if (zero) out += digits == u"〇一二三四五六七八九" ? u'零' : digits[0];
        zero = false;
        if (!(i == 2 && d == 1 && out.isEmpty())) out += digits[d];
        if (i < 3) out += units[2 - i];
    }
    return out;
}

QString Enclosed(int n, char16_t first, int last) {
    return n >= 1 && n <= last ? QString(QChar(char16_t(first + n - 1))) : QString::number(n);
}

}  // namespace

QString WordNumbering::Format(int n, const QString& format) {
    if (format == u"decimal") return QString::number(n);
    if (format == u"decimalZero")
        return n >= 0 && n < 10 ? u"0"_s + QString::number(n) : QString::number(n);
    if (format == u"upperLetter" || format == u"lowerLetter") {
        if (n <= 0) return QString::number(n);
        const QChar letter((format == u"upperLetter" ? u'A' : u'a') + (n - 1) % 26);
        return QString((n - 1) / 26 + 1, letter);
    }
    if (format == u"upperRoman" || format == u"lowerRoman")
        return Roman(n, format == u"upperRoman");
    if (format == u"chineseCounting" || format == u"chineseCountingThousand" ||
        format == u"japaneseCounting" || format == u"taiwaneseCounting" ||
        format == u"taiwaneseCountingThousand" || format == u"japaneseDigitalTenThousand")
        return Chinese(n, u"〇一二三四五六七八九", u"十百千");
    if (format == u"ideographDigital" || format == u"taiwaneseDigital") {
        QString out = QString::number(n);
        for (QChar& c : out)
            if (c.isDigit()) c = u"〇一二三四五六七八九"_s[c.unicode() - u'0'];
        return out;
    }
    if (format == u"chineseLegalSimplified") return Chinese(n, u"零壹贰叁肆伍陆柒捌玖", u"拾佰仟");
    if (format == u"ideographTraditional")
        return n >= 1 && n <= 10 ? QString(u"甲乙丙丁戊己庚辛壬癸"_s[n - 1]) : QString::number(n);
    if (format == u"ideographZodiac")
        return n >= 1 && n <= 12 ? QString(u"子丑寅卯辰巳午未申酉戌亥"_s[n - 1])
                                 : QString::number(n);
    if (format == u"decimalEnclosedCircle" || format == u"decimalEnclosedCircleChinese")
        return Enclosed(n, u'①', 20);
    if (format == u"decimalEnclosedParen") return Enclosed(n, u'⑴', 20);
    if (format == u"decimalEnclosedFullstop") return Enclosed(n, u'⒈', 20);
    if (format == u"decimalFullWidth" || format == u"decimalFullWidth2") {
        QString out = QString::number(n);
        for (QChar& c : out)
            if (c.isDigit()) c = QChar(u'０' + (c.unicode() - u'0'));
        return out;
    }
    if (format == u"none" || format == u"bullet") return {};
    return QString::number(n);
}

bool WordNumbering::load(const QByteArray& numberingXml, const QByteArray& stylesXml,
                         QString* error) {
    QXmlStreamReader x(numberingXml);
    Abstract* abstract = nullptr;
    Num* num = nullptr;
    Level* level = nullptr;
    int overrideLevel = -1;
    while (!numberingXml.isEmpty() && !x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement) {
            if (x.isEndElement()) {
                if (x.name() == u"abstractNum") abstract = nullptr;
                if (x.name() == u"num") num = nullptr;
                if (x.name() == u"lvl") level = nullptr;
                if (x.name() == u"lvlOverride") overrideLevel = -1;
            }
            continue;
        }
        const QStringView name = x.name();
        if (name == u"abstractNum") {
            abstract = &abstracts_[IntAttr(x, u"abstractNumId").value_or(-1)];
        } else if (name == u"num") {
            num = &nums_[IntAttr(x, u"numId").value_or(-1)];
        } else if (num && name == u"abstractNumId") {
            num->abstractId = IntAttr(x, u"val").value_or(-1);
        } else if (num && name == u"lvlOverride") {
            overrideLevel = IntAttr(x, u"ilvl").value_or(-1);
        } else if (num && name == u"startOverride" && overrideLevel >= 0) {
            num->startOverride[overrideLevel] = IntAttr(x, u"val").value_or(0);
        } else if (name == u"lvl") {
            const int i = IntAttr(x, u"ilvl").value_or(-1);
            if (i < 0 || i >= kLevels) {
                x.skipCurrentElement();
            } else if (num && overrideLevel >= 0) {
                level = &num->levelOverride[i];
            } else if (abstract) {
                level = &abstract->levels[size_t(i)];
            }
        } else if (abstract && name == u"numStyleLink") {
            abstract->numStyleLink = Attr(x, u"val");
        } else if (level) {
            if (name == u"start") level->start = IntAttr(x, u"val").value_or(0);
            if (name == u"numFmt") level->format = Attr(x, u"val");
            if (name == u"lvlText") level->text = Attr(x, u"val");
            if (name == u"lvlRestart") level->restart = IntAttr(x, u"val").value_or(-1);
            if (name == u"isLgl") level->legal = OnOff(x);
            if (name == u"suff") level->suffix = Attr(x, u"val");
            if (name == u"pStyle") level->style = Attr(x, u"val");
            // A level's own paragraph and run properties say nothing about its number.
            if (name == u"pPr" || name == u"rPr") x.skipCurrentElement();
        }
    }
    if (x.hasError()) {
        *error = u"word/numbering.xml："_s + x.errorString();
        return false;
    }

    QXmlStreamReader s(stylesXml);
    Style* style = nullptr;
    while (!stylesXml.isEmpty() && !s.atEnd()) {
        if (s.readNext() != QXmlStreamReader::StartElement) {
            if (s.isEndElement() && s.name() == u"style") style = nullptr;
            continue;
        }
        const QStringView name = s.name();
        if (name == u"style") {
            const QString id = Attr(s, u"styleId");
            style = &styles_[id];
            const QString isDefault = Attr(s, u"default");
            if (Attr(s, u"type") == u"paragraph" && (isDefault == u"1" || isDefault == u"true"))
                defaultStyle_ = id;
        } else if (style && name == u"basedOn") {
            style->basedOn = Attr(s, u"val");
        } else if (style && name == u"numId") {
            style->numId = IntAttr(s, u"val");
        } else if (style && name == u"ilvl") {
            style->level = IntAttr(s, u"val");
        } else if (style && (name == u"rPr" || name == u"tblPr" || name == u"tcPr")) {
            s.skipCurrentElement();
        }
    }
    if (s.hasError()) {
        *error = u"word/styles.xml："_s + s.errorString();
        return false;
    }
    for (Abstract& a : abstracts_)
        for (int i = 0; i < kLevels; ++i) a.startAt[size_t(i)] = a.levels[size_t(i)].start;
    return true;
}

WordNumbering::Abstract* WordNumbering::abstractOf(int numId, int depth) {
    const auto num = nums_.constFind(numId);
    if (num == nums_.constEnd()) return nullptr;
    const auto it = abstracts_.find(num->abstractId);
    if (it == abstracts_.end()) return nullptr;
    // A definition that only links to a numbering style takes that style's numbering.
    if (!it->numStyleLink.isEmpty() && depth < 4) {
        const auto style = styles_.constFind(it->numStyleLink);
        if (style != styles_.constEnd() && style->numId && *style->numId != numId)
            return abstractOf(*style->numId, depth + 1);
    }
    return &*it;
}

const WordNumbering::Level& WordNumbering::levelOf(const Num& num, const Abstract& a,
                                                   int level) const {
    const auto it = num.levelOverride.constFind(level);
    return it != num.levelOverride.constEnd() ? *it : a.levels[size_t(level)];
}

QString WordNumbering::next(const QString& styleId, std::optional<int> numId,
                            std::optional<int> level) {
    // The style and the styles it is based on fill in what the paragraph does not say.
    QString id = styleId.isEmpty() ? defaultStyle_ : styleId;
    for (int depth = 0; depth < 20 && (!numId || !level); ++depth) {
        const auto style = styles_.constFind(id);
        if (style == styles_.constEnd()) break;
        if (!numId) numId = style->numId;
        if (!level) level = style->level;
        id = style->basedOn;
    }
    if (!numId || *numId == 0) return {};
    Abstract* a = abstractOf(*numId);
    if (!a) return {};
    Num& num = nums_[*numId];
    if (!level) {
        // A level that names the paragraph's style is that style's level.
        level = 0;
        for (int i = 0; i < kLevels; ++i)
            if (!styleId.isEmpty() && levelOf(num, *a, i).style == styleId) level = i;
    }
    const int l = qBound(0, *level, kLevels - 1);

    // A numbering's first paragraph starts its overridden levels again, for every numbering
    // that shares the definition.
    if (!num.used) {
        num.used = true;
        for (auto it = num.startOverride.cbegin(); it != num.startOverride.cend(); ++it) {
            if (it.key() < 0 || it.key() >= kLevels) continue;
            a->started[size_t(it.key())] = false;
            a->startAt[size_t(it.key())] = it.value();
        }
    }
    a->count[size_t(l)] = a->started[size_t(l)] ? a->count[size_t(l)] + 1 : a->startAt[size_t(l)];
    a->started[size_t(l)] = true;
    for (int deeper = l + 1; deeper < kLevels; ++deeper) {
        const int restart = levelOf(num, *a, deeper).restart;
        if (restart < 0 || (restart > 0 && l < restart)) {
            a->started[size_t(deeper)] = false;
            a->startAt[size_t(deeper)] = levelOf(num, *a, deeper).start;
        }
    }

    const Level& own = levelOf(num, *a, l);
    if (own.format == u"bullet") return {};
    QString text;
    for (qsizetype i = 0; i < own.text.size(); ++i) {
        const QChar c = own.text[i];
        if (c == u'%' && i + 1 < own.text.size() && own.text[i + 1] >= u'1' &&
            own.text[i + 1] <= u'9') {
            const int k = own.text[i + 1].unicode() - u'1';
            const Level& shown = levelOf(num, *a, k);
            const int value = a->started[size_t(k)] ? a->count[size_t(k)] : a->startAt[size_t(k)];
            text += Format(value, own.legal && k < l ? u"decimal"_s : shown.format);
            ++i;
        } else {
            text += c;
        }
    }
    if (text.isEmpty()) return {};
    return own.suffix == u"nothing" ? text : text + u' ';
}

}  // namespace qs
