#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace qs {

// The error numbers the windows show, as the database layer reports them.
namespace err {
constexpr int kClosedObject = 3704;            // operation on a closed connection or recordset
constexpr int kConnectionUnusable = 3709;      // connection closed or invalid for this operation
constexpr int kDiskOrNetwork = 3043;           // the link to the database broke
constexpr int kTypeMismatch = 13;              // a value of the wrong kind
constexpr int kProviderFailure = -2147467259;  // the driver refused (connect, SQL, constraint)
constexpr int kBofEof = 3021;                  // no current row (past the end or deleted)
constexpr int kItemNotFound = 3265;            // no column of that name
}  // namespace err

class DbError : public std::exception {
public:
    DbError(int number, QString text) : number_(number), text_(std::move(text)) {
        what_ = (QString::number(number_) + QStringLiteral(": ") + text_).toUtf8();
    }
    int number() const { return number_; }
    const QString& text() const { return text_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int number_;
    QString text_;
    QByteArray what_;
};

// Runs the steps of an error-tolerant handler: a step that raises a DbError is
// abandoned, the error is remembered, and the handler goes on with the next step.
class ResumeNext {
public:
    // Runs `step`; true when it finished, false when it raised a DbError.
    template <class F>
    bool operator()(F&& step) {
        try {
            std::forward<F>(step)();
            return true;
        } catch (const DbError& e) {
            lastNumber_ = e.number();
            lastText_ = e.text();
            ++failures_;
            return false;
        }
    }
    int lastErrorNumber() const { return lastNumber_; }
    const QString& lastErrorText() const { return lastText_; }
    int failures() const { return failures_; }
    void clear() {
        lastNumber_ = 0;
        lastText_.clear();
        failures_ = 0;
    }

private:
    int lastNumber_ = 0;
    QString lastText_;
    int failures_ = 0;
};

}  // namespace qs
