#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>
#include <array>
#include <optional>

namespace qs {

// The numbers Word shows before automatically numbered paragraphs. They are not in the text:
// a paragraph names a numbering (numId) and a level (ilvl), directly or through its style, and
// the numbering definitions say how each level counts and what it shows.
class WordNumbering {
public:
    // Reads word/numbering.xml and word/styles.xml (either may be empty); false, with the XML
    // reader's complaint in `error`, when one is not well-formed.
    bool load(const QByteArray& numberingXml, const QByteArray& stylesXml, QString* error);

    // The number of the next paragraph with this style and numbering properties (each absent
    // when the paragraph does not say it), followed by the blank Word puts after it; empty for
    // a paragraph without a number (bullets show none here). Advances the counters.
    QString next(const QString& styleId, std::optional<int> numId, std::optional<int> level);

    // The number `n` in one of Word's number formats ("decimal", "upperLetter",
    // "chineseCounting", "decimalEnclosedCircle" …); unknown formats count in decimal.
    static QString Format(int n, const QString& format);

private:
    static constexpr int kLevels = 9;
    struct Level {
        int start = 0;
        QString format = QStringLiteral("decimal");
        QString text;
        int restart = -1;  // -1: after any higher level; 0: never; n: after level n (1-based)
        bool legal = false;
        QString suffix = QStringLiteral("tab");
        QString style;
    };
    struct Abstract {
        std::array<Level, kLevels> levels;
        QString numStyleLink;
        // The running count, shared by every numbering that uses this definition.
        std::array<int, kLevels> count{};
        std::array<bool, kLevels> started{};
        std::array<int, kLevels> startAt{};
    };
    struct Num {
        int abstractId = -1;
        QHash<int, int> startOverride;
        QHash<int, Level> levelOverride;
        bool used = false;
    };
    struct Style {
        QString basedOn;
        std::optional<int> numId, level;
    };

    Abstract* abstractOf(int numId, int depth = 0);
    const Level& levelOf(const Num& num, const Abstract& a, int level) const;

    QHash<int, Abstract> abstracts_;
    QHash<int, Num> nums_;
    QHash<QString, Style> styles_;
    QString defaultStyle_;
};

}  // namespace qs
