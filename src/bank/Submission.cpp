#include "bank/Submission.h"

#include <QFile>
#include <QStringList>

#include "bank/EditorQueries.h"
#include "db/DbError.h"
#include "db/Endpoints.h"

namespace qs {

QString AddedQuestionLogBody(const QString& bank, const QString& qtype, const QString& question,
                             qint64 id) {
    return QStringLiteral("添加题目【") + bank + QStringLiteral("】→") + qtype +
           QStringLiteral("→") + question + QStringLiteral(" (id:") + QString::number(id) +
           QLatin1Char(')');
}

Submission::Submission(QuestionInput input) : in_(std::move(input)) {}

void Submission::noteOpenError(int number) {
    if (number != err::kTypeMismatch) connectionError_ = number;
}

void Submission::open() {
    ResumeNext step;
    auto attempt = [&](auto&& work, QString* errorText) {
        if (step(work)) return;
        noteOpenError(step.lastErrorNumber());
        if (errorText && errorText->isEmpty()) *errorText = step.lastErrorText();
    };
    attempt([&] { local_.open(LocalConnectionString(in_.programFolder), 0, ado::adUseClient); },
            &localOpenError_);
    attempt(
        [&] {
            server_.open(ServerConnectionString(in_.endpoint), kServerTimeoutSeconds,
                         ado::adUseServer);
        },
        &serverOpenError_);
    // The question is looked up without its apostrophes (it has none left
    // after normalisation, but a caller may hand in raw text).
    QString question = in_.question;
    question.remove(u'\'');
    attempt(
        [&] {
            serverRs_.open(DuplicateQuery(server_.dialect(), in_.bank, question, in_.answer),
                           server_, ado::adOpenKeyset, ado::adLockOptimistic);
        },
        &serverOpenError_);
    attempt(
        [&] {
            localRs_.openForAppend(DuplicateQuery(local_.dialect(), in_.bank, question, in_.answer),
                                   local_);
        },
        &localOpenError_);
    // The rows come in no defined order (PostgreSQL returns updated rows
    // last); the message names the copy added first.
    step([&] {
        if (!serverRs_.isOpen()) return;
        qint64 firstId = 0;
        for (; !serverRs_.eof(); serverRs_.moveNext()) {
            const qint64 id = serverRs_.field(QStringLiteral("id")).toLongLong();
            if (duplicate_ && id >= firstId) continue;
            duplicate_ = true;
            firstId = id;
            duplicateId2_ = serverRs_.text(QStringLiteral("id2"));
        }
    });
}

QByteArray Submission::pictureBytes(int slot) const {
    return PictureFileBytes(in_.picturePaths[size_t(slot)]);
}

QByteArray PictureFileBytes(const QString& path) {
    if (path.isEmpty()) return {};
    QFile f(path);
    if (!f.exists() || !f.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = f.readAll();
    // A zero-length file still counts as a picture that was read.
    if (bytes.isNull()) bytes = QByteArray("");
    return bytes;
}

void Submission::writeColumns(Recordset& rs, SideOutcome& side,
                              const std::array<QByteArray, kPictureSlots>& pictures) {
    ResumeNext step;
    auto set = [&](const QString& column, const QVariant& value) {
        if (!step([&] { rs.setField(column, value); }) && side.error.isEmpty())
            side.error = step.lastErrorText();
    };
    for (int slot = 0; slot < kPictureSlots; ++slot)
        if (!pictures[size_t(slot)].isNull()) set(PictureColumn(slot), pictures[size_t(slot)]);
    set(QStringLiteral("adder"), StoredText(in_.adder));
    set(QStringLiteral("id2"), 0);
    set(QStringLiteral("mantype"), StoredText(in_.bank));
    set(QStringLiteral("QUESTION"), StoredText(in_.question));
    set(QStringLiteral("answer"), StoredText(in_.answer));
    if (!in_.qtype.isEmpty()) set(QStringLiteral("Qtype"), in_.qtype);
    set(QStringLiteral("nandu"), StoredText(in_.nandu));
    set(QStringLiteral("why0"), StoredText(in_.why0));
    for (int i = 0; i < 6; ++i) set(OptionColumn(i), StoredText(in_.options[size_t(i)]));
}

void Submission::renumber(Connection& c, SideOutcome& side) {
    try {
        const QString condition = BankTypeCondition(c.dialect(), in_.bank, in_.qtype);
        // One transaction: a pass that fails leaves every row as it was.
        c.beginTransaction();
        try {
            c.execute(NumberRowsStatement(c.dialect(), condition));
            const qint64 rows = c.scalar(CountWhere(c.dialect(), condition)).toLongLong();
            c.commit();
            side.renumbered = true;
            if (rows > 0) side.number = int(qMin<qint64>(rows, 32767));
        } catch (const DbError&) {
            c.rollback();
            throw;
        }
    } catch (const DbError& e) {
        side.renumberError = e.text();
    }
}

SubmitOutcome Submission::add() {
    SubmitOutcome out;
    std::array<QByteArray, kPictureSlots> pictures;
    for (int slot = 0; slot < kPictureSlots; ++slot) pictures[size_t(slot)] = pictureBytes(slot);

    ResumeNext step;
    auto fail = [&](SideOutcome& side, const QString& openError) {
        if (side.error.isEmpty())
            side.error = !openError.isEmpty() ? openError : step.lastErrorText();
    };

    // The server row.
    if (!step([&] { serverRs_.addNew(); })) fail(out.server, serverOpenError_);
    if (serverRs_.isOpen()) writeColumns(serverRs_, out.server, pictures);
    if (step([&] {
            serverRs_.update();
            out.server.id = serverRs_.field(QStringLiteral("id")).toLongLong();
        }))
        out.server.added = true;
    else
        fail(out.server, serverOpenError_);

    // The local row takes every value from the window, so it is complete even
    // when the server row could not be written.
    if (!step([&] { localRs_.addNew(); })) fail(out.local, localOpenError_);
    if (localRs_.isOpen()) {
        writeColumns(localRs_, out.local, pictures);
        if (out.server.added)
            step([&] { localRs_.setField(QStringLiteral("sid"), QString::number(out.server.id)); });
    }
    if (step([&] {
            localRs_.update();
            out.local.id = localRs_.field(QStringLiteral("id")).toLongLong();
        }))
        out.local.added = true;
    else
        fail(out.local, localOpenError_);
    serverRs_.close();
    localRs_.close();

    // The log records only an addition that happened.
    if (out.server.added) {
        out.logged = step([&] {
            Recordset log;
            log.openForAppend(LogQuery(server_.dialect()), server_);
            log.addNew();
            log.setField(QStringLiteral("stime"),
                         in_.now.isValid() ? in_.now : QDateTime::currentDateTime());
            log.setField(QStringLiteral("username"), StoredText(in_.username));
            log.setField(QStringLiteral("body"),
                         AddedQuestionLogBody(in_.bank, in_.qtype, in_.question, out.server.id));
            log.update();
        });
        if (!out.logged) out.logError = step.lastErrorText();
    }

    renumber(server_, out.server);
    renumber(local_, out.local);
    return out;
}

QString Submission::resultText(const SubmitOutcome& out, const QString& question) {
    const QString n = QString::number(out.local.number.value_or(0));
    const QString shown = QStringLiteral("、【") + question + QStringLiteral("】");
    const bool serverOk = out.server.added && out.server.error.isEmpty();
    const bool localOk = out.local.added && out.local.error.isEmpty();
    QString text;
    if (serverOk && localOk) {
        text = QStringLiteral("成功添加题目 ") + n + shown;
    } else if (!out.server.added && !out.local.added) {
        return QStringLiteral("题目没有添加成功，服务器和本地库都没有写入：") + out.server.error +
               (out.local.error.isEmpty() ? QString() : QStringLiteral("；") + out.local.error);
    } else if (!serverOk && out.local.added) {
        text = QStringLiteral("本地库已添加题目 ") + n + shown + QStringLiteral("，但服务器没有") +
               (out.server.added ? QStringLiteral("完整") : QString()) + QStringLiteral("写入：") +
               out.server.error;
        if (!localOk) text += QStringLiteral("；本地库：") + out.local.error;
    } else {
        const QString serverNumber =
            out.server.number ? QString::number(*out.server.number) : QStringLiteral("0");
        text = QStringLiteral("服务器已添加题目 ") + serverNumber + shown +
               QStringLiteral("，但本地库没有") +
               (out.local.added ? QStringLiteral("完整") : QString()) + QStringLiteral("写入：") +
               out.local.error;
    }
    if (out.server.added && !out.server.renumberError.isEmpty())
        text += QStringLiteral("；服务器题号未能重排：") + out.server.renumberError;
    if (out.local.added && !out.local.renumberError.isEmpty())
        text += QStringLiteral("；本地库题号未能重排：") + out.local.renumberError;
    if (out.server.added && !out.logged)
        text += QStringLiteral("；服务器操作日志没有写入：") + out.logError;
    return text;
}

}  // namespace qs
