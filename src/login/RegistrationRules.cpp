#include "login/RegistrationRules.h"

#include "login/LoginMessages.h"

namespace qs {

QStringList RefusedNameCharacters() {
    return QStringLiteral(",|=|+|(|)|~|'|!|:|:|[|]|{|}|/|?|.|<|>")
        .split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QString RegistrationProblem(const QString& name, const QString& password) {
    if (name == kLocalName) return msg::ReservedName();
    if (name.isEmpty()) return msg::EmptyNewName();
    if (name.size() > kMaxAccountNameLength) return msg::NameTooLong();
    if (password.isEmpty()) return msg::EmptyPassword();
    for (const QString& c : RefusedNameCharacters())
        if (name.contains(c)) return msg::IllegalNameCharacter();
    if (name.contains(QLatin1Char('|'))) return msg::IllegalNameCharacter();
    return {};
}

}  // namespace qs
