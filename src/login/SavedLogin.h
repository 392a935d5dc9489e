#pragma once

#include <QByteArray>
#include <QString>

namespace qs {

// The saved login of config.txt in the program folder (the program only
// reads it).
struct SavedLogin {
    QString username;
    QString userpass;
    QString usertimu;
};

// The file's text: UTF-8 when the bytes are valid UTF-8 (a byte-order mark
// dropped), otherwise code page 936 as written on Windows.
QString DecodeSavedLoginText(const QByteArray& bytes);
// Lines "账号:", "密码:", "进度:" (first key of a line wins; the value runs to
// a second occurrence of its key; later lines override earlier ones).
SavedLogin ParseSavedLogin(const QString& text);
// Reads <programFolder>/config.txt; empty values when the file is absent.
SavedLogin ReadSavedLogin(const QString& programFolder);

}  // namespace qs
