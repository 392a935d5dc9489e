#include "sync/VirtualRows.h"

#include <algorithm>

#include "db/Connection.h"

namespace qs {

QString VirtualRows::name(const Connection& server, const QString& table) {
    return server.connectionString() + QChar(0x1f) + table.toLower();
}

QVector<VirtualRows::Row> VirtualRows::created(const Connection& server,
                                               const QString& table) const {
    return tables_.value(name(server, table)).rows;
}

void VirtualRows::create(const Connection& server, const QString& table, const Row& row) {
    Table& t = tables_[name(server, table)];
    t.rows << row;
    t.when << ++next_;
    if (!t.indexed.isEmpty())
        t.index.insert(MatchKey(server.dialect(), keyOf(row, t.indexed)), int(t.rows.size()) - 1);
}

QVector<QVariant> VirtualRows::keyOf(const Row& row, const QStringList& keyColumns) {
    QVector<QVariant> key;
    for (const QString& c : keyColumns) key << row.value(c.toLower());
    return key;
}

const VirtualRows::Change* VirtualRows::changed(const Connection& server, const QString& table,
                                                const QString& address) const {
    const auto t = tables_.constFind(name(server, table));
    if (t == tables_.constEnd()) return nullptr;
    const auto c = t->changed.constFind(address);
    return c == t->changed.constEnd() ? nullptr : &*c;
}

void VirtualRows::change(const Connection& server, const QString& table, const QString& address,
                         const QVariant& compared) {
    tables_[name(server, table)].changed.insert(address, Change{compared, ++next_});
}

void VirtualRows::update(const Connection& server, const QString& table, int row,
                         const Row& values) {
    Table& t = tables_[name(server, table)];
    for (auto it = values.begin(); it != values.end(); ++it)
        t.rows[row].insert(it.key(), it.value());
    t.when[row] = ++next_;
}

qint64 VirtualRows::when(const Connection& server, const QString& table, int row) const {
    return tables_.value(name(server, table)).when.value(row);
}

QVector<int> VirtualRows::candidates(const Connection& server, const QString& table,
                                     const QStringList& keyColumns,
                                     const QVector<QVariant>& key) const {
    const auto it = tables_.find(name(server, table));
    if (it == tables_.end()) return {};
    Table& t = *it;
    if (t.indexed != keyColumns) {
        t.indexed = keyColumns;
        t.index.clear();
        for (int i = 0; i < t.rows.size(); ++i)
            t.index.insert(MatchKey(server.dialect(), keyOf(t.rows[i], keyColumns)), i);
    }
    QVector<int> out = t.index.values(MatchKey(server.dialect(), key));
    std::sort(out.begin(), out.end());
    return out;
}

QString LooseKey(const QVector<QVariant>& key) {
    QString out;
    for (const QVariant& v : key) {
        out += QChar(0x1f);
        if (v.isNull()) {
            out += QChar(0x1e);
            continue;
        }
        const QString decomposed = v.toString().normalized(QString::NormalizationForm_KD);
        for (QChar c : decomposed) {
            if (c.category() == QChar::Mark_NonSpacing) continue;
            const char16_t u = c.unicode();
            if (u >= 0x4E00 && u <= 0x9FFF) {
                if (u <= 0x9FA5) out += c;  // beyond: the collation may not define it
                continue;
            }
            if (!c.isLetterOrNumber() || c.isSurrogate()) continue;
            // Letters a collation may spell out as two.
            static const QHash<char16_t, QString> spelled = {
                {u'ß', QStringLiteral("ss")}, {u'æ', QStringLiteral("ae")},
                {u'Æ', QStringLiteral("ae")}, {u'œ', QStringLiteral("oe")},
                {u'Œ', QStringLiteral("oe")}, {u'þ', QStringLiteral("th")},
                {u'Þ', QStringLiteral("th")}};
            if (const auto two = spelled.constFind(u); two != spelled.constEnd()) {
                out += *two;
                continue;
            }
            // Katakana as hiragana: a collation may ignore the kana type.
            out += (u >= 0x30A1 && u <= 0x30F6) ? QChar(char16_t(u - 0x60)) : c.toCaseFolded();
        }
    }
    return out;
}

QString MatchKey(const SqlDialect& d, const QVector<QVariant>& key) {
    if (!d.matchForm(QString())) return LooseKey(key);
    // Every batch row's key is made several times: one allocation each.
    QVector<QString> forms(key.size());
    qsizetype size = 0;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (!key[i].isNull()) forms[i] = *d.matchForm(key[i].toString());
        size += 2 + forms[i].size();
    }
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < key.size(); ++i) {
        out += QChar(1);
        out += key[i].isNull() ? QChar(u'N') : QChar(u'V');
        out += forms[i];
    }
    return out;
}

}  // namespace qs
