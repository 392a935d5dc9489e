// The synchronisation window's compare: what a pass would do, without writing.

#include "db/Connection.h"
#include "sync/Form19.h"
#include "sync/SyncCompare.h"
#include "sync/SyncPasses.h"
#include "ui_Form19.h"

namespace qs {

void Form19::Command10_Click() {
    if (worker_.running()) return;
    // The list holds the four tables and each alone, rightward then leftward.
    const int choice = qMax(0, ui->Combo3->currentIndex());
    const bool fromLeft = choice < 5;
    const int table = choice % 5;  // 0: all four
    const SyncDirection direction = fromLeft ? SyncDirection::Right : SyncDirection::Left;
    auto chosen = [&](int t) { return table == 0 || table == t; };
    int threshold = 0;
    if (chosen(3) && !readThreshold(&threshold)) return;
    QVector<ComparedPass> passes;
    if (chosen(1))
        passes << ComparedPass{UserCreatePass(direction), fromLeft, 0}
               << ComparedPass{UserOverwritePass(direction), fromLeft, 0};
    if (chosen(2)) passes << ComparedPass{BankListPass(direction), fromLeft, 1};
    if (chosen(3)) passes << ComparedPass{QuestionPass(direction), fromLeft, 2};
    if (chosen(4)) passes << ComparedPass{PurchasePass(direction), fromLeft, 3};
    const QString names[] = {QStringLiteral("用户[users]"), QStringLiteral("题库列表[alltype]"),
                             QStringLiteral("题目[timu]"), QStringLiteral("购买记录[buylist]")};

    QString report;
    runHandler(
        [&](Run& run) {
            int sameRun = 0;  // the window's own run counter is left alone
            const QVector<CompareCounts> counts = ComparePasses(
                run.left, run.right, passes, 4, [&](ReplicationPass& pass, const PassPlan& plan) {
                    preparePass(run, pass, plan, &sameRun);
                });
            if (run.context.stopRequested()) return;
            report = (fromLeft ? QStringLiteral("→向右") : QStringLiteral("←向左")) +
                     QStringLiteral("比对完成，未写入任何数据：");
            for (int t = 0; t < 4; ++t) {
                if (!chosen(t + 1)) continue;
                const CompareCounts& c = counts[t];
                report += QLatin1Char('\n') + names[t] +
                          QStringLiteral("：创建 %1，覆盖 %2，已有 %3")
                              .arg(c.created)
                              .arg(c.overwritten)
                              .arg(c.present);
                const struct {
                    const char* label;
                    const QStringList& keys;
                } lists[] = {
                    {"创建", c.createdKeys}, {"覆盖", c.overwrittenKeys}, {"已有", c.presentKeys}};
                for (const auto& l : lists)
                    if (!l.keys.isEmpty())
                        report += QStringLiteral("\n  ") + QString::fromUtf8(l.label) +
                                  QStringLiteral("：") + l.keys.join(QStringLiteral("；"));
            }
        },
        false, threshold);
    if (report.isEmpty()) return;
    setWindowTitle(report.section(QStringLiteral("："), 0, 0));
    platform_.message(this, report);
}

}  // namespace qs
