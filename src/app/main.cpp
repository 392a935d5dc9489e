#include <QApplication>
#include <QDir>
#include <QLabel>

#include "db/Connection.h"
#include "db/ServerSettings.h"
#include "platform/QtPlatform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qs::QtPlatform platform;
    // The program folder holds config.txt, anguidb.mdb, sysimg/ and servers.ini.
    const QString programFolder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    const qs::LoadedSettings loaded = qs::LoadServerSettings(programFolder);
    if (!loaded.error.isEmpty()) platform.message(nullptr, loaded.error);
    qs::DbEnvironment env;
    env.serverBackend = loaded.settings.backend;
    env.embeddedServerFolder = programFolder + QStringLiteral("/servers");
    qs::DbEnvironment::configure(env);

    QLabel placeholder(QStringLiteral("青松录入双开器"));
    placeholder.setWindowTitle(qs::kAppTitle);
    placeholder.show();
    return app.exec();
}
