#include "db/Endpoints.h"

namespace qs {

QStringList ServerLineNames() {
    return {QStringLiteral("主服务器1线"), QStringLiteral("主服务器2线"),
            QStringLiteral("备服务器1线"), QStringLiteral("备服务器2线")};
}

QStringList ServerLineEntries() {
    // Location texts must not hold 1, 2, 主 or 备: the endpoint choice tests
    // the whole combo text for them.
    static const QStringList locations = {
        QStringLiteral("深圳南山科技园机房"), QStringLiteral("深圳福田电信机房"),
        QStringLiteral("广州天河联通机房"), QStringLiteral("广州番禺移动机房")};
    QStringList entries;
    const QStringList names = ServerLineNames();
    for (int i = 0; i < names.size(); ++i)
        entries << names[i] + QStringLiteral(" - ") + locations[i];
    return entries;
}

QString ChooseEndpoint(const QString& text, const QString& download1, const QString& download2,
                       const QString& download3, const QString& download4) {
    const bool main = text.contains(u"主");
    const bool backup = text.contains(u"备");
    const bool one = text.contains(u'1');
    const bool two = text.contains(u'2');
    if (main && one) return download1;
    if (main && two) return download2;
    if (backup && one) return download3;
    if (backup && two) return download4;
    if (!text.isEmpty()) return text;
    return QStringLiteral("127.0.0.1");
}

QString ServerConnectionString(const QString& endpoint) {
    return QStringLiteral("driver={SQL Server};server=") + endpoint +
           QStringLiteral(";uid=sa;pwd=573;database=ag2");
}

QString LocalConnectionString(const QString& programFolder) {
    return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + programFolder +
           QStringLiteral("\\anguidb.mdb;");
}

QString LocalFilePath(const QString& programFolder) {
    return programFolder + QStringLiteral("/anguidb.mdb");
}

HostPort SplitEndpoint(const QString& endpoint) {
    HostPort hp;
    const QString e = endpoint.trimmed();
    const int comma = e.lastIndexOf(u',');
    if (comma < 0) {
        hp.host = e;
        return hp;
    }
    hp.host = e.left(comma).trimmed();
    bool ok = false;
    const int port = e.mid(comma + 1).trimmed().toInt(&ok);
    hp.port = ok ? port : -1;
    return hp;
}

QString EndpointProblem(const QString& endpoint) {
    const QString quoted = QStringLiteral("服务器地址“") + endpoint + QStringLiteral("”");
    static const QString forbidden = QStringLiteral(";{}=");
    for (QChar c : endpoint)
        if (forbidden.contains(c))
            return quoted + QStringLiteral(
                                "不能含有 ; { } = 这些符号。请填写 主机 或 主机,端口，"
                                "例如 127.0.0.1,1433。");
    const HostPort hp = SplitEndpoint(endpoint);
    if (hp.host.isEmpty() || hp.host.contains(u','))
        return quoted + QStringLiteral("不完整。请填写 主机 或 主机,端口，例如 127.0.0.1,1433。");
    const qsizetype comma = endpoint.indexOf(u',');
    if (comma >= 0) {
        const QString port = endpoint.mid(comma + 1).trimmed();
        bool digits = !port.isEmpty() && port.size() <= 5;
        for (QChar c : port) digits = digits && c >= u'0' && c <= u'9';
        if (!digits || port.toInt() < 1 || port.toInt() > 65535)
            return quoted + QStringLiteral("的端口“") + port +
                   QStringLiteral("”无效：端口应为 1 到 65535 的数字。");
    }
    return {};
}

}  // namespace qs
