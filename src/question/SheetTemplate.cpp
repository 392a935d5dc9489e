#include "question/SheetTemplate.h"

#include <zip.h>

#include <QFile>
#include <QXmlStreamWriter>
#include <functional>

#include "question/PaperColumns.h"

namespace qs {

namespace {

using namespace Qt::StringLiterals;

constexpr auto kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr auto kPackageRels = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr auto kDocumentRels =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray Xml(const std::function<void(QXmlStreamWriter&)>& body) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument(u"1.0"_s, true);
    body(w);
    w.writeEndDocument();
    return out;
}

void Relationship(QXmlStreamWriter& w, const QString& id, const QString& type,
                  const QString& target) {
    w.writeEmptyElement(u"Relationship"_s);
    w.writeAttribute(u"Id"_s, id);
    w.writeAttribute(u"Type"_s, QLatin1StringView(kDocumentRels) + u"/"_s + type);
    w.writeAttribute(u"Target"_s, target);
}

QString ColumnName(int i) {
    return i < 26 ? QString(QChar(u'A' + i))
                  : QString(QChar(u'A' + i / 26 - 1)) + QChar(u'A' + i % 26);
}

QByteArray Sheet() {
    const QStringList& header = PaperColumnNames();
    const QStringList example = {u"单选题"_s,
                                 u"中国的首都是哪座城市？"_s,
                                 u"北京"_s,
                                 u"上海"_s,
                                 u"广州"_s,
                                 u"深圳"_s,
                                 QString(),
                                 QString(),
                                 u"A"_s,
                                 u"普通"_s,
                                 u"北京是中国的首都。"_s};
    return Xml([&](QXmlStreamWriter& w) {
        w.writeStartElement(u"worksheet"_s);
        w.writeDefaultNamespace(QLatin1StringView(kMain));
        // The header stays in view while the operator scrolls.
        w.writeStartElement(u"sheetViews"_s);
        w.writeStartElement(u"sheetView"_s);
        w.writeAttribute(u"workbookViewId"_s, u"0"_s);
        w.writeEmptyElement(u"pane"_s);
        w.writeAttribute(u"ySplit"_s, u"1"_s);
        w.writeAttribute(u"topLeftCell"_s, u"A2"_s);
        w.writeAttribute(u"activePane"_s, u"bottomLeft"_s);
        w.writeAttribute(u"state"_s, u"frozen"_s);
        w.writeEndElement();
        w.writeEndElement();
        w.writeStartElement(u"cols"_s);
        for (int i = 0; i < header.size(); ++i) {
            w.writeEmptyElement(u"col"_s);
            w.writeAttribute(u"min"_s, QString::number(i + 1));
            w.writeAttribute(u"max"_s, QString::number(i + 1));
            const bool wide = i == kQuestionColumn || i == kExplanationColumn;
            w.writeAttribute(u"width"_s, wide ? u"40"_s : u"12"_s);
            w.writeAttribute(u"style"_s, u"2"_s);
            w.writeAttribute(u"customWidth"_s, u"1"_s);
        }
        w.writeEndElement();
        w.writeStartElement(u"sheetData"_s);
        const QStringList* rows[] = {&header, &example};
        for (int r = 0; r < 2; ++r) {
            w.writeStartElement(u"row"_s);
            w.writeAttribute(u"r"_s, QString::number(r + 1));
            for (int c = 0; c < rows[r]->size(); ++c) {
                w.writeStartElement(u"c"_s);
                w.writeAttribute(u"r"_s, ColumnName(c) + QString::number(r + 1));
                w.writeAttribute(u"s"_s, r == 0 ? u"1"_s : u"2"_s);
                if (!rows[r]->at(c).isEmpty()) {
                    w.writeAttribute(u"t"_s, u"inlineStr"_s);
                    w.writeStartElement(u"is"_s);
                    w.writeTextElement(u"t"_s, rows[r]->at(c));
                    w.writeEndElement();
                }
                w.writeEndElement();
            }
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeEndElement();
    });
}

QByteArray Styles() {
    // Fonts, fills and borders as every reader expects them; style 1 is the bold header, style 2
    // text ("@").
    return Xml([](QXmlStreamWriter& w) {
        w.writeStartElement(u"styleSheet"_s);
        w.writeDefaultNamespace(QLatin1StringView(kMain));
        w.writeStartElement(u"fonts"_s);
        w.writeAttribute(u"count"_s, u"2"_s);
        for (bool bold : {false, true}) {
            w.writeStartElement(u"font"_s);
            if (bold) w.writeEmptyElement(u"b"_s);
            w.writeEmptyElement(u"sz"_s);
            w.writeAttribute(u"val"_s, u"11"_s);
            w.writeEmptyElement(u"name"_s);
            w.writeAttribute(u"val"_s, u"宋体"_s);
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeStartElement(u"fills"_s);
        w.writeAttribute(u"count"_s, u"2"_s);
        for (const QString& pattern : {u"none"_s, u"gray125"_s}) {
            w.writeStartElement(u"fill"_s);
            w.writeEmptyElement(u"patternFill"_s);
            w.writeAttribute(u"patternType"_s, pattern);
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeStartElement(u"borders"_s);
        w.writeAttribute(u"count"_s, u"1"_s);
        w.writeStartElement(u"border"_s);
        for (const QString& side : {u"left"_s, u"right"_s, u"top"_s, u"bottom"_s, u"diagonal"_s})
            w.writeEmptyElement(side);
        w.writeEndElement();
        w.writeEndElement();
        w.writeStartElement(u"cellStyleXfs"_s);
        w.writeAttribute(u"count"_s, u"1"_s);
        w.writeEmptyElement(u"xf"_s);
        for (const QString& a : {u"numFmtId"_s, u"fontId"_s, u"fillId"_s, u"borderId"_s})
            w.writeAttribute(a, u"0"_s);
        w.writeEndElement();
        w.writeStartElement(u"cellXfs"_s);
        w.writeAttribute(u"count"_s, u"3"_s);
        const std::pair<const char*, const char*> xfs[] = {{"0", "0"}, {"0", "1"}, {"49", "0"}};
        for (const auto& [format, font] : xfs) {
            w.writeEmptyElement(u"xf"_s);
            w.writeAttribute(u"numFmtId"_s, QLatin1StringView(format));
            w.writeAttribute(u"fontId"_s, QLatin1StringView(font));
            w.writeAttribute(u"fillId"_s, u"0"_s);
            w.writeAttribute(u"borderId"_s, u"0"_s);
            w.writeAttribute(u"xfId"_s, u"0"_s);
            if (qstrcmp(font, "1") == 0) w.writeAttribute(u"applyFont"_s, u"1"_s);
            if (qstrcmp(format, "49") == 0) w.writeAttribute(u"applyNumberFormat"_s, u"1"_s);
        }
        w.writeEndElement();
        w.writeStartElement(u"cellStyles"_s);
        w.writeAttribute(u"count"_s, u"1"_s);
        w.writeEmptyElement(u"cellStyle"_s);
        w.writeAttribute(u"name"_s, u"Normal"_s);
        w.writeAttribute(u"xfId"_s, u"0"_s);
        w.writeAttribute(u"builtinId"_s, u"0"_s);
        w.writeEndElement();
        w.writeEndElement();
    });
}

QByteArray ContentTypes() {
    return Xml([](QXmlStreamWriter& w) {
        w.writeStartElement(u"Types"_s);
        w.writeDefaultNamespace(u"http://schemas.openxmlformats.org/package/2006/content-types"_s);
        const std::pair<QString, QString> defaults[] = {
            {u"rels"_s, u"application/vnd.openxmlformats-package.relationships+xml"_s},
            {u"xml"_s, u"application/xml"_s}};
        for (const auto& [extension, type] : defaults) {
            w.writeEmptyElement(u"Default"_s);
            w.writeAttribute(u"Extension"_s, extension);
            w.writeAttribute(u"ContentType"_s, type);
        }
        const QString office = u"application/vnd.openxmlformats-officedocument.spreadsheetml."_s;
        const std::pair<QString, QString> parts[] = {
            {u"/xl/workbook.xml"_s, office + u"sheet.main+xml"_s},
            {u"/xl/worksheets/sheet1.xml"_s, office + u"worksheet+xml"_s},
            {u"/xl/styles.xml"_s, office + u"styles+xml"_s}};
        for (const auto& [part, type] : parts) {
            w.writeEmptyElement(u"Override"_s);
            w.writeAttribute(u"PartName"_s, part);
            w.writeAttribute(u"ContentType"_s, type);
        }
        w.writeEndElement();
    });
}

}  // namespace

bool WriteSheetTemplate(const QString& path, QString* error) {
    const QByteArray parts[][2] = {
        {"[Content_Types].xml", ContentTypes()},
        {"_rels/.rels", Xml([](QXmlStreamWriter& w) {
             w.writeStartElement(u"Relationships"_s);
             w.writeDefaultNamespace(QLatin1StringView(kPackageRels));
             Relationship(w, u"rId1"_s, u"officeDocument"_s, u"xl/workbook.xml"_s);
             w.writeEndElement();
         })},
        {"xl/workbook.xml", Xml([](QXmlStreamWriter& w) {
             w.writeStartElement(u"workbook"_s);
             w.writeDefaultNamespace(QLatin1StringView(kMain));
             w.writeNamespace(QLatin1StringView(kDocumentRels), u"r"_s);
             w.writeStartElement(u"sheets"_s);
             w.writeEmptyElement(u"sheet"_s);
             w.writeAttribute(u"name"_s, u"题目"_s);
             w.writeAttribute(u"sheetId"_s, u"1"_s);
             w.writeAttribute(QLatin1StringView(kDocumentRels), u"id"_s, u"rId1"_s);
             w.writeEndElement();
             w.writeEndElement();
         })},
        {"xl/_rels/workbook.xml.rels", Xml([](QXmlStreamWriter& w) {
             w.writeStartElement(u"Relationships"_s);
             w.writeDefaultNamespace(QLatin1StringView(kPackageRels));
             Relationship(w, u"rId1"_s, u"worksheet"_s, u"worksheets/sheet1.xml"_s);
             Relationship(w, u"rId2"_s, u"styles"_s, u"styles.xml"_s);
             w.writeEndElement();
         })},
        {"xl/worksheets/sheet1.xml", Sheet()},
        {"xl/styles.xml", Styles()}};

    const auto failed = [&](const QString& why) {
        *error = u"模板无法保存到 %1：%2"_s.arg(path, why);
        return false;
    };
    int code = 0;
    zip* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&e));
        zip_error_fini(&e);
        return failed(why);
    }
    for (const auto& part : parts) {
        // The buffers live until zip_close, which reads them.
        zip_source_t* source = zip_source_buffer(archive, part[1].constData(), part[1].size(), 0);
        if (!source || zip_file_add(archive, part[0].constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source) zip_source_free(source);
            const QString why = QString::fromLocal8Bit(zip_strerror(archive));
            zip_discard(archive);
            return failed(why);
        }
    }
    if (zip_close(archive) != 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        return failed(why);
    }
    return true;
}

}  // namespace qs
