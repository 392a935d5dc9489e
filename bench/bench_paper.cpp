// The road of a Word paper to the batch import's preview: a 2,000-question .docx with 200
// pictures (800 x 600, about 100 KB each, made by python-docx) read into its text and
// pictures, cut into questions and read one by one, and every picture converted into its
// slot's JPEG file. Also a sheet of 100,000 questions: how soon the reader says it is too large
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
#include "question/ImportPictures.h"
#include "question/Question.h"
#include "question/PaperDocument.h"
#include "question/PaperFile.h"
#include "question/Question.h"
#include "question/QuestionImport.h"
#include "widgets/PictureFiles.h"

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

    Figures read, parse, pictures, total, sheetLimit, sheetWhole;
    for (int run = 0; run < runs; ++run) {
        bench::ResetPeakRss();
        QElapsedTimer t;
        t.start();
        double c = CpuMs();
        const PaperFile file = ReadPaper(paper);
        if (!file.error.isEmpty()) qFatal("%s", qPrintable(file.error));
        const double readMs = t.nsecsElapsed() / 1e6, readCpu = CpuMs() - c;
        read.add(readMs, readCpu, bench::PeakRssMb());

        // As the preview reads each question and finds the pictures of each box.
        t.restart();
        c = CpuMs();
        const QVector<PaperQuestion> pieces = SplitQuestions(file.document.text);
        QVector<QVector<QVector<int>>> slotPictures;
        for (const PaperQuestion& piece : pieces) {
            const Question q = ReadQuestion(piece).question;
            QVector<QVector<int>> boxes(kPictureSlots);
            boxes[kQuestionPicture] = TakePictureMarks(q.question).pictures;
            for (int i = 0; i < 6; ++i)
                boxes[kPictureA + i] = TakePictureMarks(q.options[size_t(i)]).pictures;
            slotPictures << boxes;
        }
        const double parseMs = t.nsecsElapsed() / 1e6, parseCpu = CpuMs() - c;
        parse.add(parseMs, parseCpu, bench::PeakRssMb());

        t.restart();
        c = CpuMs();
        QTemporaryDir program;
        QString error;
        const QString folder = CreateImportFolder(program.path(), &error);
        int written = 0;
        for (int n = 0; n < slotPictures.size(); ++n) {
            for (int slot = 0; slot < kPictureSlots; ++slot) {
                if (slotPictures[n][slot].isEmpty()) continue;
                QVector<PaperPicture> these;
                for (int index : slotPictures[n][slot]) these << file.document.pictures[index];
                const QString dir = QuestionPictureFolder(folder, n);
                QDir().mkpath(dir);
                written += SaveSlotPicture(these, dir + u'/' + PictureFileName(slot));
            }
        }
        const double picturesMs = t.nsecsElapsed() / 1e6, picturesCpu = CpuMs() - c;
        pictures.add(picturesMs, picturesCpu, bench::PeakRssMb());
        total.add(readMs + parseMs + picturesMs, readCpu + parseCpu + picturesCpu,
                  bench::PeakRssMb());
        if (run == 0)
            std::printf("paper: %lld questions, %lld pictures, %d slot files written\n",
                        qlonglong(pieces.size()), qlonglong(file.document.pictures.size()),
                        written);
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
    parse.print("split + read each question + marks");
    pictures.print("pictures to slot JPEGs");
    total.print("whole road to the preview");
    sheetLimit.print("100,000-row sheet to its message");
    sheetWhole.print("100,000-row sheet read whole");
    return 0;
}
