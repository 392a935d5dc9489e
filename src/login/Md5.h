#pragma once

#include <QString>

namespace qs {

// The password digest stored in users.userpass and config.txt. The rounds are
// MD5's, but the message is built from each character's code in code page 936
// as a signed 16-bit value, sign-extended and OR-ed into its word, so digests
// of non-ASCII passwords differ from the MD5 of their bytes. Stored digests
// depend on exactly this.
// stype 32: 32 lower-case hex digits; any other value: the middle 16 (9 to 24).
QString MD5(const QString& sMessage, int stype);

}  // namespace qs
