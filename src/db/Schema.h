#pragma once

#include <QStringList>

#include "db/SqlDialect.h"

namespace qs {

// The statements of schema/<backend>.sql, compiled into the program.
QStringList SchemaStatements(Backend backend);

}  // namespace qs
