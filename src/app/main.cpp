#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "app/ProgramFolder.h"
#include "db/Connection.h"
#include "db/ServerSettings.h"
#include "editor/Form11.h"
#include "login/Form1.h"
#include "platform/QtPlatform.h"
#include "sync/Form19.h"
#include "widgets/FitText.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt's own texts (the file dialogs, the standard buttons) speak Chinese like the rest of
    // the tool; without the translations package they stay English.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    // Ties the windows to the menu entry and its icon on the desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("qingsong-luru"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("qingsong-luru"),
                                                 QIcon(QStringLiteral(":/qingsong-luru-256.png"))));
    qs::QtPlatform platform;

    const qs::ProgramFolder folder = qs::ChooseProgramFolder();
    if (!folder.error.isEmpty()) {
        platform.message(nullptr, folder.error);
        return 1;
    }
    const QString programFolder = folder.path;
    const qs::LoadedSettings loaded = qs::LoadServerSettings(folder.settingsFolder);
    if (!loaded.error.isEmpty()) platform.message(nullptr, loaded.error);
    const qs::ServerSettings settings = loaded.settings;
    qs::DbEnvironment env;
    env.serverBackend = settings.backend;
    env.embeddedServerFolder = programFolder + QStringLiteral("/servers");
    qs::DbEnvironment::configure(env);

    std::unique_ptr<qs::Form11> editor;
    qs::Form1* loginWindow = nullptr;
    auto openSyncWindow = [&](QWidget* owner) {
        qs::Form19 sync(loginWindow->state(), platform, programFolder, settings, owner);
        qs::GrowFixedWindowToFitText(&sync);
        sync.exec();
    };
    qs::Form1 login(platform, programFolder, settings, [&]() -> qs::EditorAccess* {
        if (!editor)
            editor = std::make_unique<qs::Form11>(loginWindow->state(), platform, programFolder,
                                                  settings, openSyncWindow);
        return editor.get();
    });
    loginWindow = &login;
    login.show();
    const int rc = app.exec();
    editor.reset();
    return rc;
}
