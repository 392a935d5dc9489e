#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "db/Connection.h"
#include "db/ConnectionKeeper.h"
#include "db/OpenDatabases.h"
#include "question/Question.h"

namespace qs {

// What a write needs besides the questions: where, and who and when for the log.
struct WriteContext {
    QString endpoint;       // the server
    QString programFolder;  // holds the local file
    QString username;       // who is logged in: the log rows' name
    QDateTime now;          // the log rows' time; invalid: the clock's
};

using PictureBytes = std::array<QByteArray, kPictureSlots>;  // null: the part has no picture

// The check before one question is added: the submit's first phase.
struct AddCheck {
    Question stored;            // the question as it will be stored
    int connectionError = 0;    // the last error number while opening and looking up (13 aside)
    bool duplicate = false;     // the server holds the same bank, question text and answer
    QString duplicateId2;       // that copy's number
    QString unreadablePicture;  // a ticked picture whose file cannot be read
};

// A write whose outcome on the server is not known (the answer to its commit was lost): what
// to read back before the next command.
struct UnknownOutcome {
    enum class Kind { Add, Save, Delete };
    Kind kind = Kind::Add;
    QString endpoint;
    QVector<qint64> ids;  // the added, saved or deleted rows
    QString question;     // Add: the question text, to name it
    QStringList columns;  // Save: the columns written, and their values
    QVector<QVariant> values;
};

// What happened to one database when a question was added.
struct SideOutcome {
    bool added = false;
    bool unknown = false;       // the server's answer to the commit was lost
    qint64 id = 0;              // the new row's identity (also when unknown)
    std::optional<int> number;  // id2 of the group's last row after renumbering
    QString error;              // why it was not added, empty when it was
};

struct SubmitOutcome {
    SideOutcome server;
    SideOutcome local;
    bool logged = false;
    QString logError;        // why the log row could not be written, empty when it was
    bool duplicate = false;  // another instance added it since the check: nothing written
    QString duplicateId2;
    QString lockRefused;                    // the group's lock was not given: nothing written
    std::optional<UnknownOutcome> unknown;  // the server's answer was lost
};

// What became of one question of a batch.
struct BatchRowResult {
    enum class Status { NotRun, Added, Duplicate, Failed };
    Status status = Status::NotRun;
    QString reason;        // why it failed
    QString duplicateId2;  // id2 of the copy the server already holds
    qint64 duplicateId = 0;
    qint64 serverId = 0;
    qint64 localId = 0;
    std::optional<int> number;  // the server's id2 after the numbering
};

struct BatchOutcome {
    QVector<BatchRowResult> rows;
    bool stopped = false;
    QString logError;  // the log rows that could not be written, and why
};

// The copy of a question the server already holds: the one added first.
struct ServerCopy {
    qint64 id = 0;
    QString id2;
};

// One question as it stands on the server.
struct StoredQuestion {
    qint64 id = 0;  // the server row's identity
    int id2 = 0;
    Question values;
    PictureBytes pictures;
    int localRows = 0;  // local rows whose sid is the id
};

// What became of the questions that waited in the local file.
struct UploadOutcome {
    int waiting = 0;     // local rows that waited
    int sent = 0;        // added to the server now
    QStringList found;   // already on the server: the local row now names that copy
    QStringList failed;  // not sent, and why
    int notRun = 0;      // left for another time after the server failed
    QString logError;    // the log rows that could not be written, and why
};

// What a save or a deletion did; `text` tells the operator what was and was not written.
struct EditResult {
    bool done = false;
    QString text;
    std::optional<UnknownOutcome> unknown;
};

// The one writer of question rows, in both databases: every window that adds, changes,
// renumbers or deletes questions goes through it. It takes the server and the local file of
// its context from a connection keeper when a command needs them. For one bank and type the
// duplicate check, the write and the renumbering are one transaction per database, under that
// group's lock on the server (and the local file's write lock): two instances never store one
// question twice, and no other session ever sees a new row before it has its number. The
// server's transaction commits before the local file's begins, or both are held in that order,
// so two instances never wait for each other in a circle.
//
// A question the server could not take is still added to the local file, where it waits
// (its row has no sid, as the system has always left it) until it is uploaded.
class QuestionWriter {
public:
    using Progress = std::function<void(const QString& caption)>;
    // Called after each batch with the questions done so far; false stops the run.
    using BatchProgress = std::function<bool(int done, int total)>;
    static constexpr int kBatchRows = 100;

    // With connections of its own, closed when it is dropped.
    explicit QuestionWriter(WriteContext context);
    // With the connections `keeper` keeps (a window's writer, on the database thread).
    QuestionWriter(WriteContext context, ConnectionKeeper& keeper);
    ~QuestionWriter();

    // The question as it will be stored (question text and options normalised, the question
    // picture's path as it is looked up), and the first picture whose file cannot be read: a
    // question with one may not be written.
    static Question Prepared(const Question& q, QString* unreadablePicture);

    // Adding one question (the editor's submit), in two phases. checkAdd opens both databases,
    // noting each failure and going on, and looks the question up on the server; add() then
    // writes the checked question, looking it up once more under the group's lock. A question
    // that waits in the local file is brought up to date there rather than added twice.
    AddCheck checkAdd(const Question& q);
    SubmitOutcome add();
    // The final message: plain success only when both databases received the row.
    static QString resultText(const SubmitOutcome& outcome, const QString& question);

    // Adding many questions (the batch import) as the submit adds them one by one in order: the
    // refusals of the question core, the duplicate check on the server, a log row each, id2 per
    // bank and type, the bytes of each picture file stored in both. A question whose picture
    // file cannot be read fails. A hundred questions per transaction; a stop is honoured between
    // batches.
    BatchOutcome addMany(const QVector<Question>& questions, const BatchProgress& progress = {});
    // For each question (as stored), its copy on the server. Throws WorkFailure.
    QVector<std::optional<ServerCopy>> findOnServer(const QVector<Question>& questions);
    // "批量导入完成：添加 3 道，重复跳过 1 道，失败 1 道" and a line per failure, named by
    // `numbers` (the paper's question numbers).
    static QString SummaryText(const BatchOutcome& outcome, const QVector<int>& numbers);

    // The questions waiting in the local file: how many (throws WorkFailure), and sending them
    // to the server as the batch import sends questions, each then named by its server row
    // (the one added, or the copy found there). A failure of the server stops the run.
    int waitingCount();
    UploadOutcome uploadWaiting(const Progress& progress = {});
    static QString UploadText(const UploadOutcome& outcome);

    // One question already added: the server row by its id, the local rows by their sid.
    // nullopt when the server holds no row with that id. Throws WorkFailure.
    std::optional<StoredQuestion> load(qint64 id);
    // Writes the columns that differ from `before` (`after` as Prepared stores it, its pictures
    // read from their paths); without a local row, adds one when `addLocalRow`. Both databases
    // change or neither; a lost answer leaves `unknown` to read back.
    EditResult save(const StoredQuestion& before, const Question& after, bool addLocalRow);
    // Deletes the server rows and their local twins and renumbers their groups; with
    // `onlyAdder`, nothing when any of them was added by someone else.
    EditResult remove(const QVector<qint64>& ids, const QString& onlyAdder = {});
    // Reads back what an unknown outcome left: what the operator is told, or empty when the
    // server still cannot be reached. A question the server turns out not to hold waits in
    // the local file.
    QString settle(const UnknownOutcome& unknown);

    // A whole bank, under its lock. Renumbering: each type on the server, then on the local
    // file, the answers of choice questions reduced to their letters and one space appended to
    // every explanation; returns every row renumbered on both. Deleting: the questions (and
    // with `withBankRows` the bank rows), local file first; returns the server's count. A
    // database failure throws WorkFailure; what either database finished stays done.
    qint64 renumberBank(const QString& bank, const Progress& progress = {});
    int deleteBank(const QString& bank, bool withBankRows, const Progress& progress = {});

    // The confirmation asked before a deletion.
    static QString confirmDeleteText(const QString& bank, int count);
    // "<action>失败，已停止：【服务器】错误码 …。服务器和本地库都没有改动。"
    static QString unchangedText(const WorkFailure& failure, const QString& action);
    static QString saveAction() { return QStringLiteral("保存修改"); }
    static QString deleteAction() { return QStringLiteral("删除题目"); }

private:
    // Takes both databases from the keeper (throws WorkFailure).
    void openBoth();
    // One of them, or null after telling `failed` why it cannot be opened.
    Connection* tryOpen(Side side, const std::function<void(const DbError&)>& failed);
    int deleteOn(Connection& c, Side side, const QString& bank, bool withBankRows,
                 const Progress& progress);
    qint64 renumberType(Connection& c, Side side, const QString& bank, const QString& type,
                        qint64& total, const Progress& progress);
    void addBatch(const QVector<Question>& rows, const QVector<int>& batch, BatchOutcome& out,
                  bool& serverDown);
    // The server's part of a batch: looked up again, added (with `pictures` when given, else
    // the bytes of the questions' picture files), logged and numbered under the groups' locks;
    // returns the rows added.
    QVector<int> addBatchToServer(const QVector<Question>& rows,
                                  const QVector<PictureBytes>* pictures, const QVector<int>& batch,
                                  BatchOutcome& out, bool& serverDown);
    // The local rows of server questions found missing wait again (their sid cleared).
    void markWaiting(const QVector<qint64>& serverIds);
    // Sends one batch of waiting rows (local ids `ids`) and names each row sent by its server
    // row.
    void uploadBatch(const QVector<qint64>& ids, UploadOutcome& out, bool& serverDown);

    WriteContext context_;
    std::unique_ptr<ConnectionKeeper> ownKeeper_;
    ConnectionKeeper& keeper_;
    // The databases of the current command (owned by the keeper); null when not open.
    Connection* server_ = nullptr;
    Connection* local_ = nullptr;
    // Stands for a database that did not open: every statement on it fails as on a closed
    // connection.
    Connection notOpened_;
    // The submit's two phases.
    Question checked_;
    QString serverOpenError_;
    QString localOpenError_;
};

// The checks a window keeps of writes whose outcome was not known, run before its next command.
class PendingCheck {
public:
    void keep(const std::optional<UnknownOutcome>& unknown) {
        if (unknown) unknown_ << *unknown;
    }
    bool pending() const { return !unknown_.isEmpty(); }
    // What was found, for the operator; empty when nothing was pending or the server still
    // does not answer (what it could not check stays pending). On the database thread.
    QString settle(ConnectionKeeper& keeper, const QString& programFolder);

private:
    QVector<UnknownOutcome> unknown_;
};

}  // namespace qs
