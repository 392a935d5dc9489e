// Time stamps as the overwrite pass compares them: at the precision the
// servers keep, whatever form the driver hands them over in.

#include "sync/TimeStamps.h"

#include <QDateTime>
#include <QRegularExpression>

namespace qs {

QString TimeKey(const QVariant& v) {
    if (v.isNull()) return {};
    if (v.metaType().id() == QMetaType::QDateTime) {
        const QDateTime t = v.toDateTime();
        if (!t.isValid()) return {};
        return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("000000");
    }
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ "
                       "T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,9}))?)?)?$"));
    const auto m = re.match(v.toString().trimmed());
    if (!m.hasMatch()) return {};
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
    if (!date.isValid() || h > 23 || mi > 59 || s > 59) return {};
    QString fraction = m.captured(7);
    fraction = fraction.leftJustified(9, QLatin1Char('0'));
    return date.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(" %1:%2:%3.")
               .arg(h, 2, 10, QLatin1Char('0'))
               .arg(mi, 2, 10, QLatin1Char('0'))
               .arg(s, 2, 10, QLatin1Char('0')) +
           fraction;
}

bool IsLater(const QVariant& later, const QVariant& earlier) {
    const QString a = TimeKey(later);
    const QString b = TimeKey(earlier);
    return !a.isEmpty() && !b.isEmpty() && a > b;
}

}  // namespace qs
