#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "bank/WorkFailure.h"
#include "db/Connection.h"

namespace qs {

// Rebuilds the sequence numbers id2 of one bank, type by type, each type on
// the server and then on the local file: 1, 2, 3 … in id order (held at
// 32767), the answer of choice questions reduced to its letters A–F in order,
// and one space appended to every explanation. Each type on each database is one
// statement; progress is the caption of the last row a pass numbered. A
// database failure throws WorkFailure; passes finished before it stay done.
class Renumbering {
public:
    using Progress = std::function<void(const QString& caption)>;

    Renumbering(Connection& server, Connection& local, Progress progress);

    // Returns the running total: every row renumbered on both databases.
    qint64 run(const QString& bank);

    static const QStringList& types();
    // "<total>)正在处理:【服务器】<bank> 单选题:<n>"
    static QString caption(qint64 total, Side side, const QString& bank, const QString& type,
                           int counter);
    static QString doneText(qint64 total);

private:
    qint64 pass(Connection& c, Side side, const QString& bank, const QString& type);

    Connection& server_;
    Connection& local_;
    Progress progress_;
    qint64 total_ = 0;
};

}  // namespace qs
