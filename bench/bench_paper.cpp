// The road of a Word paper to the batch import's preview: a 2,000-question .docx with 200
// pictures (800 x 600, about 100 KB each, made by python-docx) read into its text and
// pictures, shown in the paper box and read back, cut into questions and read one by one,
// every picture placed in its slot and converted into the slot's JPEG file, and the preview
// model filled. Also a sheet of 100,000 questions: how soon the reader says it is too large
// for one import, and how long reading it whole would take. Each stage runs several times;
// prints median and range, and the peak memory.
//
//     bench_paper [runs]        (needs python3-docx and python3-openpyxl)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "BenchSupport.h"
#include "editor/PaperPreview.h"
#include "question/ImportPictures.h"
#include "question/PaperDocument.h"
#include "question/PaperFile.h"
#include "question/Question.h"

using namespace qs;
using namespace Qt::StringLiterals;

namespace {

QString Made(const QStringList& arguments, const QString& file) {
    const QString folder = u"/tmp/qs-bench-paper"_s;
    QDir().mkpath(folder);
    const QString path = folder + u'/' + file;
    if (QFile::exists(path)) return path;
    const QString script =
        QStringLiteral(QS_SOURCE_DIR) + u"/tests/question/papers/make_papers.py"_s;
    if (QProcess::execute(u"/usr/bin/python3"_s, QStringList{script} + arguments + QStringList{}) !=
            0 ||
        !QFile::exists(path))
        qFatal("could not make %s (python3-docx, python3-openpyxl installed?)", qPrintable(path));
    return path;
}

// The process's processor time in ms: on a machine others share, what the work costs when the
// machine is quiet (the code runs on one thread).
double CpuMs() {
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

struct Figures {
    QList<double> ms, cpu;
    double peakMb = 0;
    void add(double t, double c, double mb) {
        ms << t;
        cpu << c;
        peakMb = std::max(peakMb, mb);
    }
    static double Median(QList<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    void print(const char* what) const {
        std::printf("%-38s median %7.1f ms  range %7.1f - %7.1f ms  cpu %7.1f ms  peak %5.1f MB\n",
                    what, Median(ms), *std::min_element(ms.begin(), ms.end()),
                    *std::max_element(ms.begin(), ms.end()), Median(cpu), peakMb);
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString paper =
        Made({u"bench"_s, u"/tmp/qs-bench-paper/paper-2000.docx"_s, u"2000"_s, u"200"_s},
             u"paper-2000.docx"_s);
    const QString sheet = Made({u"rows"_s, u"/tmp/qs-bench-paper/rows-100000.xlsx"_s, u"100000"_s},
                               u"rows-100000.xlsx"_s);

    Figures read, split, rows, model, total, sheetLimit, sheetWhole;
    for (int run = 0; run < runs; ++run) {
        bench::ResetPeakRss();
        QElapsedTimer t;
        t.start();
        double c = CpuMs();
        const PaperFile file = ReadPaper(paper);
        if (!file.error.isEmpty()) qFatal("%s", qPrintable(file.error));
        const double readMs = t.nsecsElapsed() / 1e6, readCpu = CpuMs() - c;
        read.add(readMs, readCpu, bench::PeakRssMb());

        // As the batch import does: the paper box shows the text, which is read back and cut.
        t.restart();
        c = CpuMs();
        const QString box = ShownPictureMarks(file.document.text);
        const QVector<PaperQuestion> pieces =
            SplitQuestions(PictureMarksFromShown(box, int(file.document.pictures.size())));
        const double splitMs = t.nsecsElapsed() / 1e6, splitCpu = CpuMs() - c;
        split.add(splitMs, splitCpu, bench::PeakRssMb());

        // Each question read, its pictures placed in their slots and written as JPEG files.
        t.restart();
        c = CpuMs();
        QTemporaryDir program;
        QString error;
        const QString folder = CreateImportFolder(program.path(), &error);
        if (folder.isEmpty()) qFatal("%s", qPrintable(error));
        PaperPreview preview(u"题库"_s, u"小王"_s);
        QVector<PaperPreview::Row> read = preview.readPaper(
            pieces, {}, std::make_shared<PaperPictures>(file.document.pictures, folder));
        const double rowsMs = t.nsecsElapsed() / 1e6, rowsCpu = CpuMs() - c;
        rows.add(rowsMs, rowsCpu, bench::PeakRssMb());

        t.restart();
        c = CpuMs();
        preview.show(std::move(read));
        const double modelMs = t.nsecsElapsed() / 1e6, modelCpu = CpuMs() - c;
        model.add(modelMs, modelCpu, bench::PeakRssMb());
        total.add(readMs + splitMs + rowsMs + modelMs, readCpu + splitCpu + rowsCpu + modelCpu,
                  bench::PeakRssMb());
        if (run == 0) {
            int written = 0;
            for (const Question& q : preview.questions())
                for (const QString& path : q.picturePaths) written += !path.isEmpty();
            std::printf("paper: %lld questions, %lld pictures, %d slot files written\n",
                        qlonglong(preview.rowCount()), qlonglong(file.document.pictures.size()),
                        written);
        }
    }
    for (int run = 0; run < runs; ++run) {
        bench::ResetPeakRss();
        QElapsedTimer t;
        t.start();
        double c = CpuMs();
        const PaperFile limited = ReadPaper(sheet);
        sheetLimit.add(t.nsecsElapsed() / 1e6, CpuMs() - c, bench::PeakRssMb());
        if (run == 0) std::printf("sheet: %s\n", qPrintable(limited.error));
        bench::ResetPeakRss();
        t.restart();
        c = CpuMs();
        PaperReadOptions all;
        all.mostQuestions = 1000000;
        const PaperFile whole = ReadPaper(sheet, all);
        sheetWhole.add(t.nsecsElapsed() / 1e6, CpuMs() - c, bench::PeakRssMb());
        if (run == 0)
            std::printf("sheet read whole: %lld questions\n",
                        qlonglong(whole.sheet.questions.size()));
    }
    read.print("docx read (text + picture bytes)");
    split.print("paper box shown, read back and split");
    rows.print("questions read, pictures to slot JPEGs");
    model.print("preview model filled");
    total.print("whole road to the preview");
    sheetLimit.print("100,000-row sheet to its message");
    sheetWhole.print("100,000-row sheet read whole");
    return 0;
}
