#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <cmath>

#include "question/SheetReader.h"

namespace qs {

namespace {

using namespace Qt::StringLiterals;

QString BuiltInCode(int id) {
    static const QHash<int, QString> codes = {{1, u"0"_s},
                                              {2, u"0.00"_s},
                                              {3, u"#,##0"_s},
                                              {4, u"#,##0.00"_s},
                                              {9, u"0%"_s},
                                              {10, u"0.00%"_s},
                                              {11, u"0.00E+00"_s},
                                              {14, u"yyyy-mm-dd"_s},
                                              {15, u"d-mmm-yy"_s},
                                              {16, u"d-mmm"_s},
                                              {17, u"mmm-yy"_s},
                                              {18, u"h:mm AM/PM"_s},
                                              {19, u"h:mm:ss AM/PM"_s},
                                              {20, u"h:mm"_s},
                                              {21, u"h:mm:ss"_s},
                                              {22, u"yyyy-mm-dd h:mm"_s},
                                              {27, u"yyyy\"年\"m\"月\""_s},
                                              {28, u"m\"月\"d\"日\""_s},
                                              {29, u"m\"月\"d\"日\""_s},
                                              {30, u"m-d-yy"_s},
                                              {31, u"yyyy\"年\"m\"月\"d\"日\""_s},
                                              {32, u"h\"时\"mm\"分\""_s},
                                              {33, u"h\"时\"mm\"分\"ss\"秒\""_s},
                                              {34, u"上午/下午h\"时\"mm\"分\""_s},
                                              {35, u"上午/下午h\"时\"mm\"分\"ss\"秒\""_s},
                                              {36, u"yyyy\"年\"m\"月\""_s},
                                              {37, u"#,##0 ;(#,##0)"_s},
                                              {38, u"#,##0 ;(#,##0)"_s},
                                              {39, u"#,##0.00;(#,##0.00)"_s},
                                              {40, u"#,##0.00;(#,##0.00)"_s},
                                              {45, u"mm:ss"_s},
                                              {46, u"[h]:mm:ss"_s},
                                              {47, u"mm:ss.0"_s},
                                              {48, u"##0.0E+0"_s},
                                              {50, u"yyyy\"年\"m\"月\""_s},
                                              {51, u"m\"月\"d\"日\""_s},
                                              {52, u"yyyy\"年\"m\"月\""_s},
                                              {53, u"m\"月\"d\"日\""_s},
                                              {54, u"m\"月\"d\"日\""_s},
                                              {55, u"上午/下午h\"时\"mm\"分\""_s},
                                              {56, u"上午/下午h\"时\"mm\"分\"ss\"秒\""_s},
                                              {57, u"yyyy\"年\"m\"月\""_s},
                                              {58, u"m\"月\"d\"日\""_s}};
    return codes.value(id);
}

// A format code as tokens: quoted and escaped text is literal, brackets are read apart.
struct Token {
    enum Kind { Literal, Code, Bracket } kind;
    QString text;
};

QVector<Token> Tokens(QStringView code) {
    QVector<Token> out;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? code.size() : end;
            out << Token{Token::Literal, code.sliced(i + 1, stop - i - 1).toString()};
            i = stop;
        } else if (c == u'\\' && i + 1 < code.size()) {
            out << Token{Token::Literal, code[++i]};
        } else if ((c == u'_' || c == u'*') && i + 1 < code.size()) {
            ++i;  // a blank as wide as the next character, a fill: nothing in a text
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i + 1);
            const qsizetype stop = end < 0 ? code.size() : end;
            out << Token{Token::Bracket, code.sliced(i + 1, stop - i - 1).toString()};
            i = stop;
        } else {
            out << Token{Token::Code, c};
        }
    }
    return out;
}

QStringList Sections(const QString& code) {
    QStringList out;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') quoted = !quoted;
        if (c == u';' && !quoted) {
            out << current;
            current.clear();
            continue;
        }
        current += c;
        if (c == u'\\' && i + 1 < code.size()) current += code[++i];
    }
    return out << current;
}

bool IsDateCode(const QVector<Token>& tokens) {
    for (const Token& t : tokens) {
        if (t.kind == Token::Bracket && QStringView(u"hms").contains(t.text.left(1).toLower()))
            return true;
        if (t.kind == Token::Code && QStringView(u"ymdhs").contains(t.text.toLower())) return true;
    }
    return false;
}

QString General(double v) {
    if (std::fabs(v) < 1e15 && v == std::floor(v)) return QString::number(qint64(v));
    return QString::number(v, 'g', 15).toUpper();
}

QDateTime FromSerial(double serial, bool date1904) {
    // 1900 dates count 29 February 1900, which never was: serial 60; from 61 on the days are
    // one ahead of the calendar.
    const QDate base = date1904      ? QDate(1904, 1, 1)
                       : serial < 61 ? QDate(1899, 12, 31)
                                     : QDate(1899, 12, 30);
    const double days = std::floor(serial);
    const qint64 seconds = qRound64((serial - days) * 86400.0);
    return QDateTime(base.addDays(qint64(days)), QTime(0, 0)).addSecs(seconds);
}

QString DateText(double serial, const QVector<Token>& tokens, bool date1904) {
    const QDateTime when = FromSerial(serial, date1904);
    const QDate d = when.date();
    const QTime t = when.time();
    bool twelve = false;
    for (const Token& tok : tokens)
        if (tok.kind == Token::Code && (tok.text == u"A" || tok.text == u"a")) twelve = true;
    for (const Token& tok : tokens)
        if (tok.kind == Token::Literal && tok.text.contains(u"上午")) twelve = true;

    // Runs of one code letter: "yyyy", "mm", "d" …
    struct Run {
        QChar letter;
        int length;
        QString literal;
    };
    QVector<Run> runs;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& tok = tokens[i];
        if (tok.kind == Token::Bracket) {
            const QString b = tok.text.toLower();
            if (b.startsWith(u'h')) runs << Run{u'H', 1, {}};
            if (b.startsWith(u'm')) runs << Run{u'M', 1, {}};
            if (b.startsWith(u's')) runs << Run{u'S', 1, {}};
            if (b.startsWith(u'$')) runs << Run{{}, 0, b.mid(1).section(u'-', 0, 0)};
            continue;
        }
        if (tok.kind == Token::Literal) {
            runs << Run{
                {},
                0,
                tok.text.contains(u"上午") ? (t.hour() < 12 ? u"上午"_s : u"下午"_s) : tok.text};
            continue;
        }
        const QChar c = tok.text[0].toLower();
        if (QStringView(u"ymdhs").contains(c)) {
            if (!runs.isEmpty() && runs.last().letter == c)
                ++runs.last().length;
            else
                runs << Run{c, 1, {}};
        } else if (c == u'a' && tokens.size() > i + 4 && tokens[i + 2].text == u"/") {
            runs << Run{{}, 0, t.hour() < 12 ? u"AM"_s : u"PM"_s};
            i += 4;  // AM/PM
        } else if (c == u'.' && !runs.isEmpty() && runs.last().letter == u's') {
            while (i + 1 < tokens.size() && tokens[i + 1].text == u"0") ++i;  // tenths: dropped
        } else {
            runs << Run{{}, 0, tok.text};
        }
    }
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    QString out;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        if (r.letter.isNull()) {
            out += r.literal;
            continue;
        }
        auto two = [&](int v) {
            return r.length >= 2 ? u"%1"_s.arg(v, 2, 10, QChar(u'0')) : QString::number(v);
        };
        bool minute = false;
        if (r.letter == u'm') {
            for (qsizetype j = i - 1; j >= 0; --j)
                if (!runs[j].letter.isNull()) {
                    minute = runs[j].letter == u'h' || runs[j].letter == u'H';
                    break;
                }
            for (qsizetype j = i + 1; j < runs.size() && !minute; ++j)
                if (!runs[j].letter.isNull()) {
                    minute = runs[j].letter == u's';
                    break;
                }
        }
        switch (r.letter.unicode()) {
            case u'y':
                out += r.length <= 2 ? u"%1"_s.arg(d.year() % 100, 2, 10, QChar(u'0'))
                                     : QString::number(d.year());
                break;
            case u'm':
                if (minute)
                    out += two(t.minute());
                else if (r.length >= 3)
                    out += QLatin1StringView(months[d.month() - 1]);
                else
                    out += two(d.month());
                break;
            case u'd':
                out += r.length >= 3 ? QLocale::c().dayName(d.dayOfWeek(),
                                                            r.length == 3 ? QLocale::ShortFormat
                                                                          : QLocale::LongFormat)
                                     : two(d.day());
                break;
            case u'h':
                out += two(twelve ? (t.hour() + 11) % 12 + 1 : t.hour());
                break;
            case u's':
                out += two(t.second());
                break;
            case u'H':
                out += QString::number(qint64(std::floor(serial * 24.0 + 1e-9)));
                break;
            case u'M':
                out += QString::number(qint64(std::floor(serial * 1440.0 + 1e-9)));
                break;
            case u'S':
                out += QString::number(qRound64(serial * 86400.0));
                break;
        }
    }
    return out;
}

QString NumberText(double v, const QVector<Token>& tokens) {
    QString prefix, suffix;
    int decimals = 0, integerZeros = 0, exponentDigits = 0;
    bool seenDigit = false, point = false, grouping = false, percent = false, scientific = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        const QChar c = t.kind == Token::Code ? t.text[0] : QChar();
        if (t.kind == Token::Code && (c == u'0' || c == u'#' || c == u'?')) {
            if (scientific)
                ++exponentDigits;
            else if (point)
                ++decimals;
            else if (c == u'0')
                ++integerZeros;
            seenDigit = true;
            suffix.clear();
        } else if (t.kind == Token::Code && c == u'.' && seenDigit && !scientific) {
            point = true;
        } else if (t.kind == Token::Code && c == u',' && seenDigit && !point) {
            grouping = true;
        } else if (t.kind == Token::Code && (c == u'E' || c == u'e') && i + 1 < tokens.size() &&
                   (tokens[i + 1].text == u"+" || tokens[i + 1].text == u"-")) {
            scientific = true;
            ++i;
        } else {
            if (t.kind == Token::Code && c == u'%') percent = true;
            QString text =
                t.kind == Token::Bracket
                    ? (t.text.startsWith(u'$') ? t.text.mid(1).section(u'-', 0, 0) : QString())
                    : t.text;
            (seenDigit ? suffix : prefix) += text;
        }
    }
    if (!seenDigit) return prefix + suffix;
    if (percent) v *= 100.0;
    QString number;
    if (scientific) {
        const int exponent = v == 0 ? 0 : int(std::floor(std::log10(std::fabs(v))));
        const double mantissa = v / std::pow(10.0, exponent);
        number = QString::number(mantissa, 'f', decimals) + (exponent < 0 ? u"E-"_s : u"E+"_s) +
                 u"%1"_s.arg(std::abs(exponent), qMax(exponentDigits, 1), 10, QChar(u'0'));
    } else {
        QLocale c = QLocale::c();
        c.setNumberOptions(grouping ? QLocale::DefaultNumberOptions : QLocale::OmitGroupSeparator);
        number = c.toString(v, 'f', decimals);
        const qsizetype digits = number.indexOf(u'.') < 0 ? number.size() : number.indexOf(u'.');
        const bool negative = number.startsWith(u'-');
        if (digits - negative < integerZeros)
            number.insert(negative ? 1 : 0, QString(integerZeros - (digits - negative), u'0'));
        if (integerZeros == 0 && number.startsWith(u"0.")) number.remove(0, 1);
        if (integerZeros == 0 && number == u"0") number.clear();
    }
    return prefix + number + suffix;
}

}  // namespace

QString SheetNumberText(double value, int numFmtId, const QString& code, bool date1904) {
    const QString format = numFmtId == 14    ? BuiltInCode(14)
                           : !code.isEmpty() ? code
                                             : BuiltInCode(numFmtId);
    if (format.isEmpty() || format.compare(u"General", Qt::CaseInsensitive) == 0 || format == u"@")
        return General(value);
    const QStringList sections = Sections(format);
    QString section = sections[0];
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty()) {
        section = sections[1];
        value = -value;
    } else if (value == 0 && sections.size() > 2) {
        section = sections[2];
    }
    const QVector<Token> tokens = Tokens(section);
    if (IsDateCode(tokens)) return value < 0 ? General(value) : DateText(value, tokens, date1904);
    if (section.compare(u"General", Qt::CaseInsensitive) == 0 || section == u"@")
        return General(value);
    return NumberText(value, tokens);
}

}  // namespace qs
