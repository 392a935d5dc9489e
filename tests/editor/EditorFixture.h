#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>
#include <memory>

#include "db/Endpoints.h"
#include "db/ServerSettings.h"
#include "editor/Form11.h"
#include "widgets/MultiLineTextBox.h"
#include "editor/QuestionRows.h"
#include "login/LoginState.h"
#include "support/FakePlatform.h"
#include "support/SqlServerStandIn.h"
#include "support/TestDatabases.h"

namespace qs::test {

// An editor window on a temporary program folder, with the fake platform and
// a login state as the login window leaves it.
struct EditorFixture {
    TempProgramFolder folder;
    FakePlatform platform;
    LoginState login;
    Connection server;  // the test's own, opened by useServer()
    Connection local;
    std::unique_ptr<Form11> form;
    int syncOpened = 0;
    QWidget* syncOwner = nullptr;

    EditorFixture() {
        UseServerBackend(Backend::Sqlite, folder.path());
        login.download1 = QStringLiteral("main,1433");
        login.download2 = QStringLiteral("main2,1433");
        login.download3 = QStringLiteral("backup,1434");
        login.download4 = QStringLiteral("backup2,1434");
        login.ser1 = login.mdbfold = login.download1;
        CreateEmbeddedServers({login.download1, login.download2, login.download3, login.download4});
        login.online1 = 1;
        login.username = QStringLiteral("小王");
        login.adminlist = QStringLiteral("admin,小李");
    }

    // An administrator on the emptied server at the PostgreSQL left server's
    // endpoint (on the SQL Server stand-in, a file named after it); opens
    // `server` and `local`.
    void useServer(Backend backend) {
        UseServerBackend(backend, folder.path());
        ResetServer(PgLeftEndpoint());
        login.download1 = login.ser1 = login.mdbfold = PgLeftEndpoint();
        login.username = QStringLiteral("小李");
        OpenServer(server, PgLeftEndpoint());
        local.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    }

    Form11& open(bool show = true) {
        form = std::make_unique<Form11>(login, platform, folder.path(), ServerSettings::defaults(),
                                        [this](QWidget* owner) {
                                            ++syncOpened;
                                            syncOwner = owner;
                                        });
        if (show) {
            form->show();
            if (!QTest::qWaitForWindowExposed(form.get())) qWarning("editor not exposed");
        }
        return *form;
    }

    template <class T = QWidget>
    T* child(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    MultiLineTextBox* box(const char* name) const { return child<MultiLineTextBox>(name); }
    QCheckBox* check(const char* name) const { return child<QCheckBox>(name); }

    // A click on a button, a check box or a label that acts as a command.
    void click(const char* name) const { QTest::mouseClick(child(name), Qt::LeftButton); }
    void dblClick(QWidget* w) const { QTest::mouseDClick(w, Qt::LeftButton); }

    QStringList options() const {
        QStringList out;
        for (const char* o : {"SA", "SB", "SC", "SD", "SE", "SF"}) out << edit(o)->text();
        return out;
    }
    QStringList bankItems() const {
        QStringList out;
        const auto* combo = child<QComboBox>("Combo1");
        for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
        return out;
    }
    // The names among `names` of the controls that are enabled.
    QStringList enabled(std::initializer_list<const char*> names) const {
        QStringList out;
        for (const char* n : names)
            if (child(n)->isEnabled()) out << QString::fromLatin1(n);
        return out;
    }
};

// Adds bank rows to a database, in the order given (ids ascending).
inline void AddBanks(const QString& connectionString, const QStringList& names) {
    Connection c;
    const auto server =
        QRegularExpression(QStringLiteral("^driver=.*;server=([^;]*);")).match(connectionString);
    if (server.hasMatch())
        OpenServer(c, server.captured(1));
    else
        c.open(connectionString, 10);
    for (const QString& n : names) AddBank(c, n);
}

}  // namespace qs::test
