#pragma once

#include <QString>
#include <exception>
#include <utility>

#include "db/DbError.h"

namespace qs {

// Which of the two databases a maintenance step was working on.
enum class Side { Server, Local };

inline QString SideName(Side side) {
    return side == Side::Server ? QStringLiteral("服务器") : QStringLiteral("本地库");
}

// A database failure that stopped a maintenance command, with the database
// it happened on, so the operator learns what was and was not done.
class WorkFailure : public std::exception {
public:
    WorkFailure(Side side, DbError error) : side_(side), error_(std::move(error)) {}
    Side side() const { return side_; }
    const DbError& error() const { return error_; }
    const char* what() const noexcept override { return error_.what(); }

    // "<action>失败，已停止：【服务器】错误码 3709，<driver text>"
    QString message(const QString& action) const {
        return action + QStringLiteral("失败，已停止：【") + SideName(side_) +
               QStringLiteral("】错误码 ") + QString::number(error_.number()) +
               QStringLiteral("，") + error_.text();
    }

private:
    Side side_;
    DbError error_;
};

}  // namespace qs
