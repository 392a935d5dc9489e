#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "question/Question.h"

namespace qs {

// The bytes of a picture file; null when there is no path or no readable file
// (a zero-length file gives empty, not null, bytes).
QByteArray PictureFileBytes(const QString& path);

// The activity log's text for a question added to the server with identity `id`.
QString AddedQuestionLogBody(const QString& bank, const QString& qtype, const QString& question,
                             qint64 id);

// One question as the editor submits it, already normalised.
struct QuestionInput {
    QString endpoint;       // server endpoint
    QString programFolder;  // holds anguidb.mdb
    QString bank;
    QString question;
    QString answer;
    QString nandu;
    QString why0;
    QString adder;
    QString qtype;                   // empty when no type box is ticked
    std::array<QString, 6> options;  // SA .. SF
    // JPEG file of each picture slot; empty when the slot has no picture.
    std::array<QString, kPictureSlots> picturePaths;
    QString username;  // who is logged in, for the log
    QDateTime now;
};

// What happened to one database during the add phase.
struct SideOutcome {
    bool added = false;
    qint64 id = 0;  // identity of the new row when added
    bool renumbered = false;
    std::optional<int> number;  // id2 of the group's last row after renumbering
    QString error;              // the first failure while adding, empty when none
    QString renumberError;      // why the renumbering failed, empty when it ran
};

struct SubmitOutcome {
    SideOutcome server;
    SideOutcome local;
    bool logged = false;
    QString logError;  // why the log row could not be written, empty when it was
};

// Adds one question to the server and to the local file: looks it up on the
// server first, then writes both rows with their pictures, logs the addition
// and renumbers the question's bank and type in both databases. Every step is
// attempted even when an earlier one failed; what failed is reported back.
class Submission {
public:
    explicit Submission(QuestionInput input);

    // The values not needed to look the question up (options, pictures,
    // type …) may still be filled in here between open() and add().
    QuestionInput& input() { return in_; }

    // Opens both connections and runs the duplicate query.
    void open();
    // The number of the last error raised while opening (13 excepted), 0 when none.
    int connectionError() const { return connectionError_; }
    bool duplicateFound() const { return duplicate_; }
    QString duplicateId2() const { return duplicateId2_; }

    // Adds the rows, the log row, and renumbers.
    SubmitOutcome add();

    // The final message: plain success only when both databases received the
    // row; a log row that could not be written is reported at its end.
    static QString resultText(const SubmitOutcome& outcome, const QString& question);

private:
    void noteOpenError(int number);
    QByteArray pictureBytes(int slot) const;
    void writeColumns(Recordset& rs, SideOutcome& side,
                      const std::array<QByteArray, kPictureSlots>& pictures);
    void renumber(Connection& c, SideOutcome& side);

    QuestionInput in_;
    Connection server_;
    Connection local_;
    Recordset serverRs_;
    Recordset localRs_;
    int connectionError_ = 0;
    QString serverOpenError_;
    QString localOpenError_;
    bool duplicate_ = false;
    QString duplicateId2_;
};

}  // namespace qs
