#include "question/PaperArchive.h"

#include <zip.h>

#include <QFile>
#include <QtEndian>

namespace qs {

QString DamagedFileMessage(const QString& name) {
    return QStringLiteral("文件已损坏，或不是 Word/Excel 文件，无法读入：") + name;
}

QString TooLargeInsideMessage(const QString& name) {
    return QStringLiteral(
               "文件解压后太大（超过200MB）或部件太多，可能已损坏，为安全起见停止读入：") +
           name;
}

QString EncryptedFileMessage(const QString& name) {
    return QStringLiteral("文件设有打开密码，无法读入：") + name +
           QStringLiteral("\r\n请在 Word/Excel 中取消密码后另存一份，再导入。");
}

QString MalformedPartMessage(const QString& name, const QString& problem) {
    return QStringLiteral("文件内容有误（") + problem + QStringLiteral("），无法读入：") + name;
}

// One part as it inflates, counting against the part's and the archive's limits.
class PaperEntryDevice : public QIODevice {
public:
    PaperEntryDevice(PaperArchive& archive, zip_file_t* file, qint64 size)
        : archive_(archive), file_(file), size_(size) {
        QIODevice::open(QIODevice::ReadOnly);
    }
    ~PaperEntryDevice() override { zip_fclose(file_); }
    // Random access in name only: with a known size the XML reader knows where the part ends
    // (on a sequential device it would wait for more). Reading never goes back.
    bool isSequential() const override { return false; }
    qint64 size() const override { return size_; }
    bool seek(qint64 pos) override { return pos == QIODevice::pos() && QIODevice::seek(pos); }

protected:
    qint64 readData(char* data, qint64 max) override {
        const zip_int64_t n = zip_fread(file_, data, zip_uint64_t(max));
        if (n < 0) return fail(DamagedFileMessage(archive_.displayName()));
        read_ += n;
        if (read_ > PaperArchive::kLargestEntry || !archive_.account(n))
            return fail(TooLargeInsideMessage(archive_.displayName()));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 fail(const QString& message) {
        setErrorString(message);
        if (archive_.failure_.isEmpty()) archive_.failure_ = message;
        return -1;
    }

    PaperArchive& archive_;
    zip_file_t* file_;
    qint64 size_;
    qint64 read_ = 0;
};

PaperArchive::PaperArchive(zip* archive, QString displayName)
    : archive_(archive), displayName_(std::move(displayName)) {}

PaperArchive::~PaperArchive() {
    zip_discard(archive_);
}

std::unique_ptr<PaperArchive> PaperArchive::open(const QString& path, const QString& displayName,
                                                 QString* error) {
    int code = 0;
    zip* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        *error = DamagedFileMessage(displayName);
        return nullptr;
    }
    std::unique_ptr<PaperArchive> out(new PaperArchive(archive, displayName));
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    if (entries > kMostEntries) {
        *error = TooLargeInsideMessage(displayName);
        return nullptr;
    }
    return out;
}

bool PaperArchive::contains(const QString& part) const {
    return zip_name_locate(archive_, part.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
}

bool PaperArchive::account(qint64 bytes) {
    inflated_ += bytes;
    return inflated_ <= kLargestTotal;
}

std::unique_ptr<QIODevice> PaperArchive::stream(const QString& part, QString* error) {
    const zip_int64_t index = zip_name_locate(archive_, part.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) return std::make_unique<QFile>();  // a missing part reads as empty
    zip_stat_t st;
    if (zip_stat_index(archive_, zip_uint64_t(index), 0, &st) != 0) {
        *error = DamagedFileMessage(displayName_);
        return nullptr;
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        *error = EncryptedFileMessage(displayName_);
        return nullptr;
    }
    // The declared size stops an honest bomb at once; the counting device stops a lying one.
    if (!(st.valid & ZIP_STAT_SIZE) ||
        (st.size > zip_uint64_t(kLargestEntry) || inflated_ + qint64(st.size) > kLargestTotal)) {
        *error = TooLargeInsideMessage(displayName_);
        return nullptr;
    }
    zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(index), 0);
    if (!file) {
        *error = DamagedFileMessage(displayName_);
        return nullptr;
    }
    return std::make_unique<PaperEntryDevice>(*this, file, qint64(st.size));
}

QByteArray PaperArchive::read(const QString& part, QString* error) {
    const std::unique_ptr<QIODevice> device = stream(part, error);
    if (!device) return {};
    if (!device->isOpen()) return {};
    QByteArray out;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = device->read(buffer, sizeof buffer);
        if (n < 0) {
            *error = device->errorString();
            return {};
        }
        if (n == 0) break;
        out.append(buffer, n);
    }
    return out;
}

FileKind KindOfFile(const QByteArray& head) {
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) return FileKind::Zip;
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return FileKind::Ole;
    return FileKind::Other;
}

QStringList OleStreamNames(const QByteArray& file) {
    // The compound file's header, its sector allocation table and the chain of directory
    // sectors; each directory entry of 128 bytes starts with its UTF-16 name.
    constexpr quint32 kEndOfChain = 0xFFFFFFFE;
    if (file.size() < 512 || KindOfFile(file) != FileKind::Ole) return {};
    const auto* data = reinterpret_cast<const uchar*>(file.constData());
    auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(data + at); };
    auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(data + at); };
    const int shift = u16(30);
    if (shift != 9 && shift != 12) return {};
    const qsizetype sectorSize = qsizetype(1) << shift;
    const qsizetype sectors = (file.size() - 512 + sectorSize - 1) / sectorSize;
    auto sectorAt = [&](quint32 s) -> qsizetype {
        const qsizetype at = (qsizetype(s) + 1) * sectorSize;
        return s < quint32(sectors) && at + sectorSize <= file.size() ? at : -1;
    };

    QVector<quint32> fatSectors;
    const quint32 fatCount = u32(44);
    for (int i = 0; i < 109 && quint32(fatSectors.size()) < fatCount; ++i)
        fatSectors << u32(76 + 4 * i);
    quint32 difat = u32(68);
    for (qsizetype guard = 0; difat < kEndOfChain && guard < sectors; ++guard) {
        const qsizetype at = sectorAt(difat);
        if (at < 0) return {};
        const qsizetype perSector = sectorSize / 4 - 1;
        for (qsizetype i = 0; i < perSector && quint32(fatSectors.size()) < fatCount; ++i)
            fatSectors << u32(at + 4 * i);
        difat = u32(at + 4 * perSector);
    }
    auto next = [&](quint32 s) -> quint32 {
        const qsizetype perSector = sectorSize / 4;
        const qsizetype which = s / perSector;
        if (which >= fatSectors.size()) return kEndOfChain;
        const qsizetype at = sectorAt(fatSectors[which]);
        return at < 0 ? kEndOfChain : u32(at + 4 * (s % perSector));
    };

    QStringList names;
    quint32 dir = u32(48);
    for (qsizetype guard = 0; dir < kEndOfChain && guard < sectors; ++guard) {
        const qsizetype at = sectorAt(dir);
        if (at < 0) break;
        for (qsizetype e = at; e + 128 <= at + sectorSize; e += 128) {
            const int length = qMin<int>(u16(e + 64), 64) / 2 - 1;
            if (length <= 0 || data[e + 66] == 0) continue;
            QString name(length, Qt::Uninitialized);
            for (int i = 0; i < length; ++i) name[i] = QChar(u16(e + 2 * i));
            names << name;
        }
        dir = next(dir);
    }
    return names;
}

}  // namespace qs
