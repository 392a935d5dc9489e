#pragma once

#include <QStringList>

#include "sync/ReplicationPass.h"
#include "sync/SyncQueries.h"

namespace qs {

// The columns each pass writes, in the order they are written.
QStringList UserColumns();      // 28
QStringList BankColumns();      // 8
QStringList PurchaseColumns();  // 6

// The passes behind the window's buttons.
PassPlan UserCreatePass(SyncDirection direction);
PassPlan UserOverwritePass(SyncDirection direction);
PassPlan QuestionPass(SyncDirection direction);
PassPlan BankNamePass();
PassPlan BankListPass(SyncDirection direction);
PassPlan PurchasePass(SyncDirection direction);

// The title after the four phases of the user replication.
QString UserFinalTitle(int created, int overwritten);

}  // namespace qs
