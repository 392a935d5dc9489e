// Adding one question: the editor's submit.

#include "bank/EditorQueries.h"
#include "bank/QuestionWriter.h"
#include "bank/StoredRows.h"
#include "db/DbError.h"

namespace qs {

Connection* QuestionWriter::tryOpen(Side side, const std::function<void(const DbError&)>& failed) {
    try {
        return side == Side::Server ? &OpenServerDatabase(keeper_, context_.endpoint)
                                    : &OpenLocalDatabase(keeper_, context_.programFolder);
    } catch (const WorkFailure& f) {
        failed(f.error());
        return nullptr;
    }
}

AddCheck QuestionWriter::checkAdd(const Question& q) {
    AddCheck check;
    checked_ = Prepared(q, &check.unreadablePicture);
    check.stored = checked_;
    // Every step is tried; the prompt names the last error (a type mismatch aside).
    auto note = [&](int number, const QString& text, QString* kept) {
        if (number != err::kTypeMismatch) check.connectionError = number;
        if (kept && kept->isEmpty()) *kept = text;
    };
    local_ = tryOpen(Side::Local,
                     [&](const DbError& e) { note(e.number(), e.text(), &localOpenError_); });
    server_ = tryOpen(Side::Server,
                      [&](const DbError& e) { note(e.number(), e.text(), &serverOpenError_); });
    try {
        if (const auto copy = FindCopies(server_ ? *server_ : notOpened_, {checked_})[0]) {
            check.duplicate = true;
            check.duplicateId2 = copy->id2;
        }
    } catch (const DbError& e) {
        note(e.number(), e.text(), &serverOpenError_);
    }
    // The local row is written with the table's columns as the file declares them.
    try {
        (local_ ? *local_ : notOpened_).tableColumns(QStringLiteral("timu"));
    } catch (const DbError& e) {
        note(e.number(), e.text(), &localOpenError_);
    }
    return check;
}

SubmitOutcome QuestionWriter::add() {
    const Question& q = checked_;
    const QuestionGroup group{q.bank, q.qtype};
    const PictureBytes pictures = PictureFiles(q);
    SubmitOutcome out;
    // The databases the check opened, as the keeper holds them now.
    if (server_)
        server_ = tryOpen(Side::Server, [&](const DbError& e) { serverOpenError_ = e.text(); });
    if (local_)
        local_ = tryOpen(Side::Local, [&](const DbError& e) { localOpenError_ = e.text(); });

    if (!server_) {
        out.server.error = serverOpenError_;
    } else {
        try {
            // Another instance may have added it since the check: looked up again once the
            // group's lock is given.
            const CopyLookups lookup = LookUpCopies(server_->dialect(), {q});
            QList<ReadRows> looked;
            const auto tx = BeginLocked(*server_, {group}, lookup.statements, &looked);
            if (const auto copy = CopiesFound(lookup, looked)[0]) {
                out.duplicate = true;
                out.duplicateId2 = copy->id2;
                return out;
            }
            if (const auto added = AddLoggedAndNumbered(*server_, context_, q, pictures, group)) {
                out.server.id = added->id;
                out.server.number = added->number;
                out.logged = added->logged;
                out.logError = added->logError;
            } else {
                out.server.id = InsertRows(*server_, QStringLiteral("timu"), StoredColumnNames(),
                                           {StoredValues(q, pictures)}, true)
                                    .value(0);
                out.logged = tx->attempt(
                    [&] {
                        WriteLogRows(*server_, context_, {{&q, out.server.id}});
                    },
                    &out.logError);
                out.server.number = RenumberGroup(*server_, group);
            }
            tx->commit();
            out.server.added = true;
        } catch (const LockNotGranted& e) {
            out.lockRefused = e.text();
            return out;
        } catch (const CommitUnknown& e) {
            out.server.unknown = true;
            out.server.error = e.text();
            out.unknown = UnknownOutcome{
                UnknownOutcome::Kind::Add, context_.endpoint, {out.server.id}, q.question, {}, {}};
        } catch (const DbError& e) {
            out.server.error = e.text();
            out.server.id = 0;
            out.server.number.reset();
        }
    }

    // The local row takes every value from the question, so it is complete even when the
    // server row could not be written; without the server's id it waits to be uploaded.
    if (!local_) {
        out.local.error = localOpenError_;
        return out;
    }
    try {
        WriteTransaction tx(*local_);
        QStringList columns = StoredColumnNames();
        QVector<QVariant> values = StoredValues(q, pictures);
        if (out.server.added || out.server.unknown) {
            columns << QStringLiteral("sid");
            values << QString::number(out.server.id);
        }
        // The same question waiting there from an earlier try is that row, brought up to date.
        const qint64 waiting =
            local_->scalar(WaitingTwinQuery(local_->dialect(), q.bank, q.question, q.answer))
                .toLongLong();
        if (waiting > 0) {
            UpdateRow(*local_, QStringLiteral("timu"), waiting, columns, values);
            out.local.id = waiting;
        } else {
            out.local.id =
                InsertRows(*local_, QStringLiteral("timu"), columns, {values}, true).value(0);
        }
        out.local.number = RenumberGroup(*local_, group);
        tx.commit();
        out.local.added = true;
    } catch (const DbError& e) {
        out.local = SideOutcome{};
        out.local.error = e.text();
    }
    return out;
}

QString QuestionWriter::resultText(const SubmitOutcome& out, const QString& question) {
    if (!out.lockRefused.isEmpty()) return out.lockRefused;
    const QString n = QString::number(out.local.number.value_or(0));
    const QString shown = QStringLiteral("、【") + question + QStringLiteral("】");
    const QString later = QStringLiteral("下次操作时会先到服务器上查看。");
    QString text;
    if (out.server.unknown) {
        const QString unknown = QStringLiteral("服务器没有回复，不知道服务器是否已经保存这道题（") +
                                out.server.error + QStringLiteral("）");
        if (out.local.added)
            return QStringLiteral("本地库已添加题目 ") + n + shown + QStringLiteral("；") +
                   unknown + QStringLiteral("。") + later;
        return unknown + QStringLiteral("；本地库没有写入：") + out.local.error +
               QStringLiteral("。") + later;
    }
    if (out.server.added && out.local.added) {
        text = QStringLiteral("成功添加题目 ") + n + shown;
    } else if (!out.server.added && !out.local.added) {
        return QStringLiteral("题目没有添加成功，服务器和本地库都没有写入：") + out.server.error +
               (out.local.error.isEmpty() ? QString() : QStringLiteral("；") + out.local.error);
    } else if (out.local.added) {
        return QStringLiteral("本地库已添加题目 ") + n + shown +
               QStringLiteral("，但服务器没有写入：") + out.server.error;
    } else {
        text = QStringLiteral("服务器已添加题目 ") +
               QString::number(out.server.number.value_or(0)) + shown +
               QStringLiteral("，但本地库没有写入：") + out.local.error;
    }
    if (!out.logged) text += QStringLiteral("；服务器操作日志没有写入：") + out.logError;
    return text;
}

}  // namespace qs
