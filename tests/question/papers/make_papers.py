#!/usr/bin/python3
"""Makes the papers the paper readers are tested on, with the programs operators' files come
from: python-docx, openpyxl and LibreOffice (through its UNO bridge). The files are committed
beside this script; run it again (Debian: python3-docx python3-openpyxl python3-uno
libreoffice-writer-nogui libreoffice-calc-nogui) to make them anew.

    make_papers.py                    the test papers, into this folder
    make_papers.py bench OUT.docx N P a paper of N questions with P pictures (the benchmark's)
    make_papers.py rows OUT.xlsx N    a sheet of N questions
"""
import base64, datetime, io, os, struct, subprocess, sys, tempfile, time, zipfile, zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(width, height, rgb):
    """A plain PNG of one colour."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row = b"\0" + bytes(rgb) * width
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(row * height)) + chunk(b"IEND", b""))


def emf():
    """A Windows enhanced metafile holding one rectangle."""
    rect = struct.pack("<II4i", 43, 24, 10, 10, 90, 90)
    eof = struct.pack("<IIIII", 14, 20, 0, 16, 20)
    size = 108 + len(rect) + len(eof)
    header = struct.pack("<II4i4iIIIIHHIIIiiiiIIIii", 1, 108, 0, 0, 100, 100, 0, 0, 2646, 2646,
                         0x464D4520, 0x10000, size, 3, 1, 0, 0, 0, 0, 1920, 1080, 508, 285,
                         0, 0, 0, 508000, 285750)
    return header + rect + eof


RED, GREEN, BLUE = png(40, 30, (255, 0, 0)), png(30, 40, (0, 160, 0)), png(20, 20, (0, 0, 255))


class LibreOffice:
    """One headless LibreOffice with a profile of its own, driven through UNO."""

    def __enter__(self):
        import uno
        self.uno = uno
        self.profile = tempfile.TemporaryDirectory()
        pipe = "qspapers%d" % os.getpid()
        self.proc = subprocess.Popen(
            ["soffice", "-env:UserInstallation=file://" + self.profile.name, "--headless",
             "--norestore", "--accept=pipe,name=%s;urp;" % pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ctx = uno.getComponentContext()
        resolver = ctx.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", ctx)
        for _ in range(300):
            try:
                remote = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                time.sleep(0.1)
        self.desktop = remote.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", remote)
        return self

    def __exit__(self, *exc):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        self.proc.wait(timeout=60)
        self.profile.cleanup()

    def insert_formulas(self, doc):
        """Each 〔公式〕 becomes a formula object (x²), as Writer's Insert > Object > Formula makes."""
        search = doc.createSearchDescriptor()
        search.SearchString = "〔公式〕"
        found = doc.findFirst(search)
        while found is not None:
            formula = doc.createInstance("com.sun.star.text.TextEmbeddedObject")
            formula.CLSID = "078B7ABA-54FC-457F-8551-6147e776a997"
            formula.AnchorType = self.uno.Enum("com.sun.star.text.TextContentAnchorType", "AS_CHARACTER")
            found.String = ""
            found.Text.insertTextContent(found, formula, True)
            formula.getEmbeddedObject().setPropertyValue("Formula", "x^2")
            found = doc.findFirst(search)

    def prop(self, name, value):
        from com.sun.star.beans import PropertyValue
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    def convert(self, source, target, filter_name, password=None, recalculate=False):
        url = self.uno.systemPathToFileUrl
        doc = self.desktop.loadComponentFromURL(url(os.path.abspath(source)), "_blank", 0,
                                                (self.prop("Hidden", True),))
        if recalculate:
            doc.calculateAll()
        if source.endswith(".fodt"):
            self.insert_formulas(doc)
        props = [self.prop("FilterName", filter_name)]
        if password:
            from com.sun.star.beans import NamedValue
            values = []
            for name, value in (("OOXPassword", password), ("CryptoType", "Standard")):
                v = NamedValue()
                v.Name, v.Value = name, value
                values.append(v)
            data = self.prop("EncryptionData", None)
            data.Value = self.uno.Any("[]com.sun.star.beans.NamedValue", tuple(values))
            props.append(data)
        self.uno.invoke(doc, "storeToURL", (url(os.path.abspath(target)), tuple(props)))
        doc.close(True)


def word_paper(path):
    """A paper as Word users type it: numbered questions (the numbers restart in the second
    part), options in a table, pictures in stem, option and explanation, answer markers."""
    import docx
    from docx.shared import Cm
    doc = docx.Document()

    def picture(paragraph, data):
        paragraph.add_run().add_picture(io.BytesIO(data), width=Cm(1))

    def restart(paragraph):
        numbering = doc.part.numbering_part.numbering_definitions._numbering
        style_num = doc.styles["List Number"].element.pPr.numPr.numId.val
        num = numbering.add_num(numbering.num_having_numId(style_num).abstractNumId.val)
        num.add_lvlOverride(ilvl=0).add_startOverride(1)
        numPr = paragraph._p.get_or_add_pPr().get_or_add_numPr()
        numPr.get_or_add_ilvl().val = 0
        numPr.get_or_add_numId().val = num.numId

    doc.add_paragraph("一、单选题")
    picture(doc.add_paragraph("下列哪个是水果？", style="List Number"), RED)
    row = doc.add_table(rows=1, cols=4).rows[0]
    for cell, text in zip(row.cells, ["A.苹果", "B.白菜", "C.土豆", "D.萝卜"]):
        cell.text = text
    doc.add_paragraph("【答案】A")
    doc.add_paragraph("解析：B、C、D 都是蔬菜。")
    doc.add_paragraph("难度：困难")
    doc.add_paragraph("看图，选出正确的一项：", style="List Number")
    picture(doc.add_paragraph("A."), GREEN)
    doc.add_paragraph("B.以上都不对")
    doc.add_paragraph("正确答案：A")
    picture(doc.add_paragraph("解析：如下图"), BLUE)
    doc.add_paragraph("二、多选题")
    restart(doc.add_paragraph("下列属于 CPU 部件的是（　　）", style="List Number"))
    p = doc.add_paragraph("A.运算器")
    p.runs[0].add_break()
    p.add_run("B.控制器").add_break()
    p.add_run("C.显示器")
    doc.add_paragraph("参考答案：AB")
    doc.add_paragraph("解析：C 是外部设备，A、B 在 CPU 里。")
    doc.add_paragraph("全角文字：ＡＢＣ１２３，　空格。", style="List Number")
    doc.add_paragraph("A.甲\tB.乙")
    doc.add_paragraph("答案：B")
    doc.save(path)


FODT = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:math="http://www.w3.org/1998/Math/MathML"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>
 <text:list-style style:name="L1">
  <text:list-level-style-number text:level="1" style:num-format="一, 二, 三, ..." style:num-suffix="、"/>
  <text:list-level-style-number text:level="2" style:num-format="1" style:num-prefix="（" style:num-suffix="）"/>
 </text:list-style>
 <text:list-style style:name="L2">
  <text:list-level-style-number text:level="1" style:num-format="①, ②, ③, ..."/>
 </text:list-style>
</office:automatic-styles>
<office:body><office:text>
<text:list xml:id="questions" text:style-name="L1">
 <text:list-item><text:p>单选题</text:p>
  <text:list><text:list-item><text:p>哪个图形在右边？<draw:frame draw:name="floating" text:anchor-type="paragraph" svg:x="12cm" svg:y="0cm" svg:width="1cm" svg:height="1cm" draw:z-index="0"><draw:image draw:mime-type="image/png"><office:binary-data>{red}</office:binary-data></draw:image></draw:frame></text:p></text:list-item></text:list>
 </text:list-item>
</text:list>
<text:p>A.圆形</text:p>
<text:p>B.方形</text:p>
<text:p>答案：B</text:p>
<text:list text:style-name="L1" text:continue-list="questions">
 <text:list-item>
  <text:list><text:list-item><text:p>求 〔公式〕 在 x=3 时的值。</text:p></text:list-item></text:list>
 </text:list-item>
</text:list>
<text:p>A.6</text:p>
<text:p>B.9</text:p>
<text:p>答案：B</text:p>
<text:list text:style-name="L1" text:continue-list="questions">
 <text:list-item><text:p>判断题</text:p>
  <text:list><text:list-item><text:p>下面两种说法：<draw:frame draw:name="box" text:anchor-type="paragraph" svg:x="10cm" svg:y="0cm" svg:width="4cm" draw:z-index="1"><draw:text-box fo:min-height="1cm"><text:p>框内：请判断对错</text:p></draw:text-box></draw:frame></text:p></text:list-item></text:list>
 </text:list-item>
</text:list>
<text:list text:style-name="L2">
 <text:list-item><text:p>地球绕太阳转；</text:p></text:list-item>
 <text:list-item><text:p>月亮自己发光。</text:p></text:list-item>
</text:list>
<text:p>答案：错误</text:p>
<text:list text:style-name="L1" text:continue-list="questions">
 <text:list-item>
  <text:list><text:list-item><text:p>图中是一个方框：<draw:frame draw:name="metafile" text:anchor-type="as-char" svg:width="1cm" svg:height="1cm"><draw:image draw:mime-type="image/x-emf"><office:binary-data>{emf}</office:binary-data></draw:image></draw:frame></text:p></text:list-item></text:list>
 </text:list-item>
</text:list>
<text:p>答案：正确</text:p>
</office:text></office:body></office:document>
"""


def sheet_paper(path):
    """A question list as operators keep it in Excel: a title row above the header, the columns
    in an order of their own and one the import does not know, numbers, dates, a formula."""
    import openpyxl
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "题库"
    ws.append(["2024年安全题库"])
    ws.append(["题目", "答案", "选项Ａ", " 选项B ", "选项C", "备注", "题型", "难度", "解析"])
    ws.append(["1+1 等于几？", "B", 1, "=1+1", 3.5, "无", "单选题", "普通", "一加一得二"])
    ws.append(["安全检查的日期是？", "A", datetime.date(2024, 3, 5), datetime.datetime(2024, 3, 5, 14, 30),
               0.25, None, "单选题", "困难", None])
    ws.append([None] * 9)
    ws.append(["消防通道可以堆放杂物。", "错误", None, None, None, None, "判断题", None,
               "解析里有字母 A 和 B"])
    ws.append(["这个标志表示什么？", "b", "禁止通行", "注意安全", None, None, "识图题", "较难", None])
    ws["D4"].number_format = 'yyyy"年"m"月"d"日" h:mm'
    ws["E4"].number_format = "0%"
    ws["E3"].number_format = "0.00"
    wb.save(path)


def no_header_sheet(path):
    import openpyxl
    wb = openpyxl.Workbook()
    ws = wb.active
    for i in range(12):
        ws.append(["第%d题" % (i + 1), "A", "B"])
    wb.save(path)


def rows_sheet(path, count):
    import openpyxl
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("题目")
    ws.append(["题型", "题目", "选项A", "选项B", "选项C", "选项D", "答案", "难度", "解析"])
    for i in range(count):
        ws.append(["单选题", "第%d题：下列哪一项是正确的？" % (i + 1), "甲%d" % i, "乙", "丙", "丁", "A",
                   "普通", "解析%d" % i])
    wb.save(path)


def noisy_png(width, height, seed):
    """A picture that compresses like a screenshot or a scan (about 100 KB at 800 x 600): blocks
    of 4 x 4 pixels of random colours."""
    import random
    rng = random.Random(seed)
    rows = []
    for _ in range(height // 4):
        blocks = bytes(rng.getrandbits(8) for _ in range(3 * (width // 4)))
        row = b"\0" + b"".join(blocks[i:i + 3] * 4 for i in range(0, len(blocks), 3))
        rows.append(row * 4)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


def bench_paper(path, questions, pictures):
    """A long paper: numbered questions with options and answers, every few a picture."""
    import docx
    from docx.shared import Cm
    doc = docx.Document()
    every = max(1, questions // max(1, pictures))
    shown = 0
    for i in range(questions):
        p = doc.add_paragraph("下列关于第%d项安全规定的说法，哪一项是正确的？" % (i + 1), style="List Number")
        if shown < pictures and i % every == 0:
            p.add_run().add_picture(io.BytesIO(noisy_png(800, 600, i)), width=Cm(4))
            shown += 1
        for letter, text in zip("ABCD", ["必须遵守", "可以不遵守", "视情况而定", "以上都不对"]):
            doc.add_paragraph("%s.%s" % (letter, text))
        doc.add_paragraph("答案：A")
        doc.add_paragraph("解析：第%d项规定必须遵守。" % (i + 1))
    doc.save(path)


def bad_files(lo):
    """Files that cannot be read, each for its own reason."""
    with open(os.path.join(HERE, "corrupt.docx"), "wb") as f:
        f.write(open(os.path.join(HERE, "word.docx"), "rb").read()[:3000])
    with zipfile.ZipFile(os.path.join(HERE, "nodocument.docx"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
        z.writestr("docProps/app.xml", "<Properties/>")
    # 110 MB of blanks in the document part: a hundred kilobytes that inflate past the limit.
    with zipfile.ZipFile(os.path.join(HERE, "bomb.docx"), "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("[Content_Types].xml", "<Types/>")
        z.writestr("word/document.xml", b"<w:document>" + b" " * (110 << 20) + b"</w:document>")
    # A hundred thousand nested hyperlinks: deeper than any real document.
    with zipfile.ZipFile(os.path.join(HERE, "deep.docx"), "w", zipfile.ZIP_DEFLATED) as z:
        w = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
        z.writestr("word/document.xml", "<w:document %s><w:body><w:p>%s%s</w:p></w:body></w:document>"
                   % (w, "<w:hyperlink>" * 100000, "</w:hyperlink>" * 100000))
    lo.convert(os.path.join(HERE, "word.docx"), os.path.join(HERE, "old.doc"), "MS Word 97")
    lo.convert(os.path.join(HERE, "word.docx"), os.path.join(HERE, "encrypted.docx"),
               "MS Word 2007 XML", password="试卷")


def main():
    if len(sys.argv) >= 5 and sys.argv[1] == "bench":
        bench_paper(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
        return
    if len(sys.argv) >= 4 and sys.argv[1] == "rows":
        rows_sheet(sys.argv[2], int(sys.argv[3]))
        return
    word_paper(os.path.join(HERE, "word.docx"))
    sheet_paper(os.path.join(HERE, "sheet-openpyxl.xlsx"))
    no_header_sheet(os.path.join(HERE, "noheader.xlsx"))
    with tempfile.TemporaryDirectory() as tmp, LibreOffice() as lo:
        fodt = os.path.join(tmp, "libreoffice.fodt")
        with open(fodt, "w", encoding="utf-8") as f:
            f.write(FODT.format(red=base64.b64encode(RED).decode(), emf=base64.b64encode(emf()).decode()))
        lo.convert(fodt, os.path.join(HERE, "libreoffice.docx"), "MS Word 2007 XML")
        lo.convert(os.path.join(HERE, "sheet-openpyxl.xlsx"), os.path.join(HERE, "sheet-libreoffice.xlsx"),
                   "Calc MS Excel 2007 XML", recalculate=True)
        bad_files(lo)


if __name__ == "__main__":
    main()
