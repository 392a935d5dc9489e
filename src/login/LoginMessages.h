#pragma once

#include <QString>

namespace qs {

// The reserved user name of local practice mode; it is never looked up.
inline const QString kLocalName = QStringLiteral("本地");

// The login window's own texts: captions and message boxes.
namespace msg {

QString WindowCaption();
QString LoggingInCaption();
QString LoggedInCaption(const QString& username);
QString RegisteredCaption();

QString EmptyName();
QString EmptyPassword();
// The connection failure: the last error number, marked for the two numbers
// an operator meets most, and the number of banks the server showed.
QString ConnectionFailed(int errorNumber, int bankCount);
QString ServerClosed(const QString& offwhy, const QString& offtime);
QString ServerClosedCallAdmin(const QString& offwhy, const QString& offtime, const QString& phone);
QString Unregistered(const QString& name);
QString WrongPassword();
QString SavePasswordQuestion();
QString SavePasswordCaption();
QString LoginSucceeded(const QString& progress);
QString OpeningWebPage();
// The local file is missing or empty at start: create it there?
QString CreateLocalFileQuestion(const QString& path, bool empty);
QString CreateLocalFileCaption();
QString LocalFileNotCreated(const QString& path, const QString& why);

QString ReservedName();
QString EmptyNewName();
QString NameTooLong();
QString IllegalNameCharacter();
QString ConfirmRegistration(const QString& name, const QString& password);
QString ConfirmRegistrationCaption();
QString NameTaken();
QString Registered();

}  // namespace msg
}  // namespace qs
