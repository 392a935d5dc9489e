#include "db/ServerSettings.h"

#include <QFile>
#include <QRegularExpression>

#include "db/Endpoints.h"

namespace qs {

ServerSettings ServerSettings::defaults() {
    ServerSettings s;
    s.backend = Backend::SqlServer;
    s.mainEndpoint = QStringLiteral("db1.qingsong.invalid,1433");
    s.backupEndpoint = QStringLiteral("db1.qingsong.invalid,1434");
    s.syncEndpoints = {
        QStringLiteral("db1.qingsong.invalid,1433"), QStringLiteral("db1.qingsong.invalid,1434"),
        QStringLiteral("db2.qingsong.invalid,1433"), QStringLiteral("db2.qingsong.invalid,1434"),
        QStringLiteral("127.0.0.1,1433")};
    s.adminName = QStringLiteral("青松站长");
    s.adminPhone = QStringLiteral("13800138000");
    return s;
}

LoadedSettings LoadServerSettings(const QString& programFolder) {
    const QString path = programFolder + QStringLiteral("/servers.ini");
    QFile f(path);
    if (!f.exists()) return {ServerSettings::defaults(), {}};
    if (!f.open(QIODevice::ReadOnly)) {
        return {ServerSettings::defaults(),
                QStringLiteral("无法读取服务器设置文件 %1：%2。已使用内置设置。")
                    .arg(path, f.errorString())};
    }
    return ParseServerSettings(QString::fromUtf8(f.readAll()), path);
}

LoadedSettings ParseServerSettings(const QString& text, const QString& fileName) {
    ServerSettings s = ServerSettings::defaults();
    auto fail = [&](int line, const QString& why) {
        return LoadedSettings{ServerSettings::defaults(),
                              QStringLiteral("服务器设置文件 %1 第 %2 行有误：%3。已使用内置设置。")
                                  .arg(fileName)
                                  .arg(line)
                                  .arg(why)};
    };
    QString body = text;
    if (body.startsWith(QChar(0xFEFF))) body.remove(0, 1);
    const QStringList lines = body.split(QLatin1Char('\n'));
    static const QRegularExpression keyValue(QStringLiteral("^([A-Za-z0-9_]+)\\s*=\\s*(.*)$"));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';')) continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']')) return fail(lineNo, QStringLiteral("节名缺少 ]"));
            continue;
        }
        const auto m = keyValue.match(line);
        if (!m.hasMatch()) return fail(lineNo, QStringLiteral("应为 名称 = 值"));
        const QString key = m.captured(1).toLower();
        // A "#" or ";" at the start of the value or after a space begins a
        // comment, as in "main = 203.0.113.5,1433    # both main lines".
        QString value = m.captured(2);
        static const QRegularExpression comment(QStringLiteral("(^|\\s)[#;]"));
        if (const auto c = comment.match(value); c.hasMatch()) value.truncate(c.capturedStart());
        value = value.trimmed();
        auto endpoint = [&](QString& target) -> QString {
            if (value.isEmpty()) return m.captured(1) + QStringLiteral(" 不能为空");
            QString problem = EndpointProblem(value);
            if (problem.isEmpty()) target = value;
            if (problem.endsWith(u'。')) problem.chop(1);
            return problem;
        };
        if (key == u"backend") {
            const QString v = value.toLower();
            if (v == u"sqlserver")
                s.backend = Backend::SqlServer;
            else if (v == u"postgresql")
                s.backend = Backend::PostgreSql;
            else if (v == u"sqlite")
                s.backend = Backend::Sqlite;
            else
                return fail(lineNo,
                            QStringLiteral("backend 只能是 sqlserver、postgresql 或 sqlite"));
        } else if (key == u"main") {
            if (const QString p = endpoint(s.mainEndpoint); !p.isEmpty()) return fail(lineNo, p);
        } else if (key == u"backup") {
            if (const QString p = endpoint(s.backupEndpoint); !p.isEmpty()) return fail(lineNo, p);
        } else if (key.size() == 5 && key.startsWith(u"sync") && key[4] >= u'1' && key[4] <= u'5') {
            QString& target = s.syncEndpoints[key[4].unicode() - u'1'];
            if (const QString p = endpoint(target); !p.isEmpty()) return fail(lineNo, p);
        } else if (key == u"admin_name") {
            s.adminName = value;
        } else if (key == u"admin_phone") {
            s.adminPhone = value;
        } else {
            return fail(lineNo, QStringLiteral("未知的名称 ") + m.captured(1));
        }
    }
    return {s, {}};
}

}  // namespace qs
