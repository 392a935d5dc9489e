#pragma once

#include <QSet>
#include <QString>

namespace qs {

// The passes that began and have not run to their end since (a failure, the
// stop button, or the program itself ended mid-pass), by button and servers.
// Their next run walks every source row without the stop rule, since its
// first rows are the ones already copied. Kept in a file of the program
// folder, one pass a line, so that neither closing the window nor a program
// that was killed forgets them (a folder that cannot be written forgets
// them); without a folder, for the life of the process.
class UnfinishedPasses {
public:
    explicit UnfinishedPasses(const QString& programFolder);

    bool contains(const QString& pass) const;
    // Marked when a pass begins, cleared when it reaches its end.
    void mark(const QString& pass);
    void clear(const QString& pass);

    // The file's name in the program folder.
    static QString fileName();

private:
    QSet<QString> read() const;
    void write(const QSet<QString>& passes) const;

    QString file_;
};

}  // namespace qs
