#include "login/SavedLogin.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace qs {

QString DecodeSavedLoginText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030");
        text = gbk.isValid() ? QString(gbk.decode(bytes)) : QString::fromLocal8Bit(bytes);
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

SavedLogin ParseSavedLogin(const QString& text) {
    SavedLogin saved;
    const struct {
        QString key;
        QString SavedLogin::*member;
    } keys[] = {{QStringLiteral("账号:"), &SavedLogin::username},
                {QStringLiteral("密码:"), &SavedLogin::userpass},
                {QStringLiteral("进度:"), &SavedLogin::usertimu}};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : text.split(lineBreak)) {
        for (const auto& k : keys) {
            const qsizetype at = line.indexOf(k.key);
            if (at < 0) continue;
            const qsizetype start = at + k.key.size();
            const qsizetype second = line.indexOf(k.key, start);
            saved.*k.member = second < 0 ? line.mid(start) : line.mid(start, second - start);
            break;
        }
    }
    return saved;
}

SavedLogin ReadSavedLogin(const QString& programFolder) {
    QFile f(programFolder + QStringLiteral("/config.txt"));
    if (!f.exists() || !f.open(QIODevice::ReadOnly)) return {};
    return ParseSavedLogin(DecodeSavedLoginText(f.readAll()));
}

}  // namespace qs
