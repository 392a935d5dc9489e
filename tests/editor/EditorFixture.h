#pragma once

#include <QComboBox>
#include <QTest>
#include <QWidget>
#include <memory>

#include "db/Connection.h"
#include "db/Endpoints.h"
#include "db/ServerSettings.h"
#include "editor/Form11.h"
#include "login/LoginState.h"
#include "support/FakePlatform.h"
#include "support/TestDatabases.h"

namespace qs::test {

// An editor window on a temporary program folder, with the fake platform and
// a login state as the login window leaves it.
struct EditorFixture {
    TempProgramFolder folder;
    FakePlatform platform;
    LoginState login;
    std::unique_ptr<Form11> form;
    int syncOpened = 0;
    QWidget* syncOwner = nullptr;

    EditorFixture() {
        UseServerBackend(Backend::Sqlite, folder.path());
        login.download1 = QStringLiteral("main,1433");
        login.download2 = QStringLiteral("main2,1433");
        login.download3 = QStringLiteral("backup,1434");
        login.download4 = QStringLiteral("backup2,1434");
        login.ser1 = login.download1;
        login.mdbfold = login.ser1;
        login.online1 = 1;
        login.username = QStringLiteral("小王");
        login.adminlist = QStringLiteral("admin,小李");
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

    template <class T>
    T* child(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }

    // A click on a label that acts as a command.
    void click(const char* name) const { QTest::mouseClick(child<QWidget>(name), Qt::LeftButton); }

    QStringList bankItems() const {
        QStringList out;
        const auto* combo = child<QComboBox>("Combo1");
        for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
        return out;
    }
};

// Adds bank rows to a database, in the order given (ids ascending).
inline void AddBanks(const QString& connectionString, const QStringList& names) {
    Connection c;
    c.open(connectionString, 10);
    const SqlDialect& d = c.dialect();
    for (const QString& n : names)
        c.execute(QStringLiteral("insert into alltype (mantype) values (") + d.literal(n) +
                  QStringLiteral(")"));
}

}  // namespace qs::test
