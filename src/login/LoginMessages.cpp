#include "login/LoginMessages.h"

#include "db/DbError.h"

namespace qs::msg {

namespace {
const QString kBreak = QStringLiteral("\r\n\r\n");
}

QString WindowCaption() {
    return QStringLiteral("青松考典 登录青松录入双开器");
}
QString LoggingInCaption() {
    return QStringLiteral(
        "登录成功 - 正在载入数据.. 服务器较慢，未响应请耐心等待几十秒后显示主界面..");
}
QString LoggedInCaption(const QString& username) {
    return QStringLiteral("已登录:") + username;
}
QString RegisteredCaption() {
    return QStringLiteral("注册成功");
}

QString EmptyName() {
    return QStringLiteral("【用户名不能为空！】");
}
QString EmptyPassword() {
    return QStringLiteral("【密码不能为空值】请填写登录密码。");
}

QString CreateLocalFileQuestion(const QString& path, bool empty) {
    return QStringLiteral("本地数据库文件") +
           (empty ? QStringLiteral("是空的：") : QStringLiteral("不存在：")) + kBreak + path +
           kBreak +
           QStringLiteral(
               "是否在这个位置新建一个空的本地数据库？选【否】不新建，"
               "提交题目、题目统计和删除题库时会提示找不到本地数据库。");
}
QString CreateLocalFileCaption() {
    return QStringLiteral("是否新建本地数据库");
}
QString LocalFileNotCreated(const QString& path, const QString& why) {
    return QStringLiteral("本地数据库文件没有建成：") + path + kBreak + why;
}

QString ConnectionFailed(int errorNumber, int bankCount) {
    QString error = QString::number(errorNumber);
    if (errorNumber == err::kClosedObject) error += QStringLiteral("[数据库无法连接]");
    if (errorNumber == err::kDiskOrNetwork) error += QStringLiteral("[磁盘或网络错误]");
    return QStringLiteral("【青松考典】 尝试连接服务器失败(") + error + QStringLiteral(" 题库") +
           QString::number(bankCount) +
           QStringLiteral(")，建议尝试连接另一个地址的服务器，请重试一下登录。");
}

static QString closedHead(const QString& offwhy, const QString& offtime) {
    return QStringLiteral("【服务器拒绝连接】") + kBreak + QStringLiteral("■原因:") + offwhy +
           QStringLiteral("。■关闭时间:") + offtime + kBreak;
}

QString ServerClosed(const QString& offwhy, const QString& offtime) {
    return closedHead(offwhy, offtime) + QStringLiteral("■服务器正在维护，请稍后再试。");
}

QString ServerClosedCallAdmin(const QString& offwhy, const QString& offtime, const QString& phone) {
    return closedHead(offwhy, offtime) + QStringLiteral("■服务器正在维护，请稍后再试，站长") +
           phone + QStringLiteral("。");
}

QString Unregistered(const QString& name) {
    return QStringLiteral("        【用户未注册】        ") + kBreak + QStringLiteral("    用户 ") +
           name + QStringLiteral(" 还没有注册");
}

QString WrongPassword() {
    return QStringLiteral("        【用户密码错误】        ") + kBreak +
           QStringLiteral("    用户注册时设置了密码，您输入的密码为空或者不正确");
}

QString SavePasswordQuestion() {
    return QStringLiteral("您原来没有设置密码，要保存密码吗？以后登录就要输入这个密码才行..");
}
QString SavePasswordCaption() {
    return QStringLiteral("是否保存密码");
}

QString LoginSucceeded(const QString& progress) {
    return QStringLiteral("        【用户登录成功】        ") + kBreak +
           QStringLiteral("用户进度:") + progress;
}

QString OpeningWebPage() {
    return QStringLiteral(
        "即将打开官网下载页面，请下载后确保现在已运行的《青松考典》已经退出，再解压覆盖文件并重新打"
        "开刷题软件。");
}

QString ReservedName() {
    return QStringLiteral("【名字错误】系统保留文字，不能注册为账号。");
}
QString EmptyNewName() {
    return QStringLiteral("【名字不能为空值】请填写登录名字，建议用真名。");
}
QString NameTooLong() {
    return QStringLiteral("【名字不能太长】请填写登录名字，建议用真名。");
}
QString IllegalNameCharacter() {
    return QStringLiteral("【错误，名字含有非法字符，请修改登录名字....】");
}

QString ConfirmRegistration(const QString& name, const QString& password) {
    return QStringLiteral("        【新用户注册】        ") + kBreak +
           QStringLiteral("确定要使用名字【") + name + QStringLiteral("】密码【") + password +
           QStringLiteral("】注册新用户吗？");
}
QString ConfirmRegistrationCaption() {
    return QStringLiteral("注册新用户");
}
QString NameTaken() {
    return QStringLiteral("【错误】该用户已注册！只能登录...(或者改名另注册一个)");
}
QString Registered() {
    return QStringLiteral("【注册成功】");
}

}  // namespace qs::msg
