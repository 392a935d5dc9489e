#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <array>
#include <optional>

#include "bank/Submission.h"
#include "bank/WorkFailure.h"
#include "db/Connection.h"

namespace qs {

// One question as it stands on the server.
struct StoredQuestion {
    qint64 id = 0;  // the server row's identity
    int id2 = 0;
    // bank, question, answer, nandu, why0, adder, qtype and options.
    QuestionInput values;
    std::array<QByteArray, kPictureSlots> pictures;  // null: the part has no picture
    int localRows = 0;                               // local rows whose sid is the id
};

// What a save or a deletion did; `text` tells the operator what was and was
// not written.
struct EditResult {
    bool done = false;
    QString text;
};

// Opens the local file, then the server at `endpoint`; throws WorkFailure.
void OpenQuestionDatabases(Connection& server, Connection& local, const QString& endpoint,
                           const QString& programFolder);

// Corrects or deletes questions already added: the server row by its id, the
// local row by its sid. Each database is written in one transaction, and both
// are committed only when both succeeded, so a failure leaves both unchanged.
// Groups whose rows changed are renumbered as a submission renumbers.
class QuestionEdit {
public:
    QuestionEdit(Connection& server, Connection& local);

    // nullopt when the server holds no row with that id. Throws WorkFailure.
    std::optional<StoredQuestion> load(qint64 id);
    // Writes the columns that differ from `before` (pictures read from the
    // paths of `after`). Without a local row, one is added when `addLocalRow`.
    EditResult save(const StoredQuestion& before, const QuestionInput& after, bool addLocalRow);
    // Deletes the server rows and their local twins. With `onlyAdder` given,
    // nothing is deleted when any of the rows was added by someone else.
    EditResult remove(const QVector<qint64>& ids, const QString& onlyAdder = {});

    // The confirmation asked before a deletion.
    static QString confirmDeleteText(const QString& bank, int count);
    // "<action>失败，已停止：【服务器】错误码 …。服务器和本地库都没有改动。"
    static QString unchangedText(const WorkFailure& failure, const QString& action);
    static QString saveAction() { return QStringLiteral("保存修改"); }
    static QString deleteAction() { return QStringLiteral("删除题目"); }

private:
    Connection& server_;
    Connection& local_;
};

}  // namespace qs
