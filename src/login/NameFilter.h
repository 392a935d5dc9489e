#pragma once

#include <QString>
#include <QStringList>

namespace qs {

// The texts stripped from a user name while it is typed or pasted, in the
// order they are handled (ASCII and full-width punctuation, curly quotes,
// book-title brackets, line breaks, the backquote).
const QStringList& FilteredNameTexts();

// The user name with every filtered text removed. Removing one text can join
// the halves of another (a CR and an LF around a backquote), and the name box
// runs its filter again whenever it changes, so the result is filtered until
// nothing more goes.
QString FilterUserName(const QString& text);

}  // namespace qs
