#pragma once

#include <QString>
#include <QVariant>

namespace qs {

// A time stamp as text that sorts as the time does, to the nanosecond:
// "yyyy-MM-dd HH:mm:ss.fffffffff"; empty when the value is NULL or no time.
QString TimeKey(const QVariant& v);

// True when `later` is a strictly later time stamp than `earlier`, compared at
// full precision; a NULL or unreadable stamp on either side is never later.
bool IsLater(const QVariant& later, const QVariant& earlier);

}  // namespace qs
