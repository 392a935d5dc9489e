#pragma once

#include <QString>
#include <QStringList>

namespace qs {

// The longest name an account may have, in UTF-16 units.
constexpr int kMaxAccountNameLength = 32;

// The characters a new account's name must not hold (besides "|", which
// separates them in the system's own list).
QStringList RefusedNameCharacters();

// Checks the name and password typed for a new account, in the system's
// order. Returns the message for the first rule broken, or an empty text.
QString RegistrationProblem(const QString& name, const QString& password);

}  // namespace qs
