#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>

struct zip;

namespace qs {

// The parts of a Word or Excel file (a zip archive), read within limits far above any real
// paper, so a damaged or hostile file stops with a message instead of filling the memory.
class PaperArchive {
public:
    static constexpr int kMostEntries = 10000;
    static constexpr qint64 kLargestEntry = 100LL * 1024 * 1024;
    static constexpr qint64 kLargestTotal = 200LL * 1024 * 1024;

    // Opens the archive at `path`; on failure returns null and sets `error` to a message naming
    // the file (shown as `displayName`).
    static std::unique_ptr<PaperArchive> open(const QString& path, const QString& displayName,
                                              QString* error);
    ~PaperArchive();
    PaperArchive(const PaperArchive&) = delete;
    PaperArchive& operator=(const PaperArchive&) = delete;

    // Part names are compared without regard to case, as the packages define them.
    bool contains(const QString& part) const;
    // A whole part; a missing part reads as empty without an error. On failure `error` is set.
    QByteArray read(const QString& part, QString* error);
    // A part to read as it inflates, for parts that may be large (a sheet of many rows); the
    // device fails with `error` set once the limits are passed. Null (error set) on failure.
    std::unique_ptr<QIODevice> stream(const QString& part, QString* error);

    const QString& displayName() const { return displayName_; }
    // Why the last stream stopped before its end (a limit, damaged data); empty when none did.
    const QString& failure() const { return failure_; }

private:
    friend class PaperEntryDevice;
    PaperArchive(zip* archive, QString displayName);
    // Counts inflated bytes against the total; false once past it.
    bool account(qint64 bytes);

    zip* archive_;
    QString displayName_;
    qint64 inflated_ = 0;
    QString failure_;
};

// The messages of a file that cannot be read, each naming the file.
QString DamagedFileMessage(const QString& name);
QString TooLargeInsideMessage(const QString& name);
QString EncryptedFileMessage(const QString& name);
// `problem`: the part and what the XML reader says of it.
QString MalformedPartMessage(const QString& name, const QString& problem);

// What the first bytes of a file say it is.
enum class FileKind { Zip, Ole, Other };
FileKind KindOfFile(const QByteArray& head);

// The stream names of an OLE compound file (old .doc/.xls, or an encrypted Word or Excel file,
// whose package is the stream "EncryptedPackage"); empty when the file is not one or is damaged.
QStringList OleStreamNames(const QByteArray& file);

}  // namespace qs
