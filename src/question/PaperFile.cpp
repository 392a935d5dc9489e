#include "question/PaperFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include "question/PaperArchive.h"
#include "question/WordReader.h"

namespace qs {

namespace {

using namespace Qt::StringLiterals;

constexpr qint64 kLargestText = 20 * 1024 * 1024;
constexpr qint64 kLargestPackage = 100 * 1024 * 1024;

PaperFile Failed(const QString& message) {
    PaperFile out;
    out.error = message;
    return out;
}

QString NoTextMessage(const QString& name) {
    return u"文件里没有文字："_s + name;
}

PaperFile ReadText(const QByteArray& bytes, const QString& name) {
    QString text;
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    if (bom && (*bom == QStringConverter::Utf16LE || *bom == QStringConverter::Utf16BE)) {
        // Notepad's "Unicode".
        QStringDecoder utf16(*bom, QStringDecoder::Flag::Stateless);
        text = utf16.decode(bytes);
        if (utf16.hasError()) return Failed(u"文件的 UTF-16 文字有损坏，无法读入："_s + name);
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError()) {
            QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
            text = gbk.decode(bytes);
            if (gbk.hasError() || text.contains(QChar::ReplacementCharacter))
                return Failed(u"文件既不是 UTF-8 也不是 GBK 编码的文字，无法读入："_s + name);
        }
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    if (text.trimmed().isEmpty()) return Failed(NoTextMessage(name));
    PaperFile out;
    out.document.text = WithoutMarkCharacters(text);
    return out;
}

// The main part of an Office package, from its relationships (word/document.xml,
// xl/workbook.xml in every file seen, but the package says where).
QString MainPart(PaperArchive& archive, QString* error) {
    const QByteArray rels = archive.read(u"_rels/.rels"_s, error);
    QXmlStreamReader x(rels);
    while (!rels.isEmpty() && !x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"Relationship") continue;
        if (x.attributes().value(u"Type"_s).endsWith(u"/officeDocument")) {
            QString target = x.attributes().value(u"Target"_s).toString();
            if (target.startsWith(u'/')) target.remove(0, 1);
            if (archive.contains(target)) return target;
        }
    }
    for (const QString& part : {u"word/document.xml"_s, u"xl/workbook.xml"_s})
        if (archive.contains(part)) return part;
    return {};
}

PaperFile ReadPackage(const QString& path, const QString& name, int mostQuestions) {
    QString error;
    const std::unique_ptr<PaperArchive> archive = PaperArchive::open(path, name, &error);
    if (!archive) return Failed(error);
    const QString main = MainPart(*archive, &error);
    if (!error.isEmpty()) return Failed(error);
    PaperFile out;
    if (main.startsWith(u"xl/")) {
        out.kind = PaperFile::Kind::Sheet;
        if (!ReadSheetPaper(*archive, main, mostQuestions, &out.sheet, &error))
            return Failed(error);
        return out;
    }
    if (main.isEmpty()) {
        const QString suffix = QFileInfo(name).suffix().toLower();
        if (suffix.startsWith(u"xls"))
            return Failed(u"文件里没有 Excel 工作表，无法读入："_s + name);
        return Failed(u"文件里没有 Word 文档正文，无法读入："_s + name);
    }
    out.kind = PaperFile::Kind::Word;
    if (!ReadWordPaper(*archive, main, &out.document, &error)) return Failed(error);
    if (out.document.text.trimmed().isEmpty() && out.document.pictures.isEmpty())
        return Failed(NoTextMessage(name));
    return out;
}

// An old Word or Excel file (or RTF) through LibreOffice, in a folder and a profile of its own,
// so a LibreOffice the operator has open does not take the work or block it.
PaperFile Convert(const QString& path, const QString& name, bool sheet,
                  const PaperReadOptions& options) {
    const QString kind = sheet ? u"Excel"_s : u"Word"_s;
    const QString newSuffix = sheet ? u"xlsx"_s : u"docx"_s;
    const QString saveAs =
        u"\r\n请用 %1 或 WPS 打开它，“另存为” .%2 文件后再导入。"_s.arg(kind, newSuffix);
    const QString program =
        options.converter.isEmpty() ? QString() : QStandardPaths::findExecutable(options.converter);
    if (program.isEmpty())
        return Failed(u"这是旧版 %1 文件，无法直接读入：%2"_s.arg(kind, name) + saveAs +
                      u"（装有 LibreOffice 时本工具会自动转换。）"_s);
    QTemporaryDir work;
    const QString profile = QUrl::fromLocalFile(work.filePath(u"profile"_s)).toString();
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    soffice.start(program, {u"-env:UserInstallation="_s + profile, u"--headless"_s,
                            u"--norestore"_s, u"--convert-to"_s, newSuffix, u"--outdir"_s,
                            work.filePath(u"out"_s), QFileInfo(path).absoluteFilePath()});
    QString problem;
    if (!soffice.waitForFinished(options.converterTimeoutMs)) {
        soffice.kill();
        soffice.waitForFinished(5000);
        problem = soffice.error() == QProcess::FailedToStart
                      ? u"LibreOffice 无法启动"_s
                      : u"转换超过 %1 秒没有完成"_s.arg(options.converterTimeoutMs / 1000);
    }
    const QString converted =
        work.filePath(u"out/"_s + QFileInfo(path).completeBaseName() + u'.' + newSuffix);
    if (problem.isEmpty() && !QFileInfo::exists(converted))
        problem = QString::fromLocal8Bit(soffice.readAll()).trimmed();
    if (!problem.isEmpty())
        return Failed(u"这是旧版 %1 文件，用 LibreOffice 转换失败，无法读入：%2\r\n%3"_s.arg(
                          kind, name, problem) +
                      saveAs);
    return ReadPackage(converted, name, options.mostQuestions);
}

}  // namespace

PaperFile ReadPaper(const QString& path, const PaperReadOptions& options) {
    QFile f(path);
    if (!f.exists()) return Failed(u"找不到文件："_s + path);
    if (!f.open(QIODevice::ReadOnly))
        return Failed(u"无法打开文件："_s + path + u"\r\n"_s + f.errorString());
    const QByteArray head = f.peek(4096);
    const FileKind kind = KindOfFile(head);
    if (f.size() > (kind == FileKind::Other ? kLargestText : kLargestPackage))
        return Failed(u"文件太大（超过%1MB），请分成几份再导入："_s.arg(
                          (kind == FileKind::Other ? kLargestText : kLargestPackage) >> 20) +
                      path);
    if (kind == FileKind::Zip) return ReadPackage(path, path, options.mostQuestions);
    if (kind == FileKind::Ole) {
        const QStringList streams = OleStreamNames(f.readAll());
        if (streams.contains(u"EncryptedPackage"_s)) return Failed(EncryptedFileMessage(path));
        if (streams.contains(u"WordDocument"_s)) return Convert(path, path, false, options);
        if (streams.contains(u"Workbook"_s) || streams.contains(u"Book"_s))
            return Convert(path, path, true, options);
    }
    if (head.startsWith("{\\rtf")) return Convert(path, path, false, options);
    // A text file holds no NUL byte unless it is UTF-16.
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(head);
    const bool utf16 =
        bom && (*bom == QStringConverter::Utf16LE || *bom == QStringConverter::Utf16BE);
    if (kind != FileKind::Other || head.startsWith("%PDF") || (!utf16 && head.contains('\0')))
        return Failed(u"无法识别的文件类型，请打开 .txt、.docx 或 .xlsx 文件："_s + path);
    return ReadText(f.readAll(), path);
}

}  // namespace qs
