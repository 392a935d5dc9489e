#pragma once

#include <QString>

namespace qs {

// The login state: what the login window keeps for the other windows, which
// read it (and in a few cases write it) through a LoginState&.
struct LoginState {
    QString download1;  // main line 1
    QString download2;  // main line 2
    QString download3;  // backup line 1
    QString download4;  // backup line 2
    QString ser1;       // endpoint chosen for this login
    QString mdbfold;    // endpoint of the working connection (program folder + "\" locally)
    int online1 = 1;    // 1 server mode, 0 local file mode
    QString username;
    QString userpass;
    QString usertimu;   // progress: bank, "→", position
    QString adminlist;  // conf.adminlist
    QString sid;        // local id of the question added last
    QString id2;        // server id2 of the question added last

    // A user is an administrator when adminlist contains the name.
    bool isAdministrator() const { return adminlist.contains(username); }
};

}  // namespace qs
