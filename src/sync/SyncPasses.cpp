#include "sync/SyncPasses.h"

#include "question/Question.h"

namespace qs {

namespace {

bool right(SyncDirection d) {
    return d == SyncDirection::Right;
}

QStringList words(const char* text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

}  // namespace

QStringList UserColumns() {
    return words(
        "username userpass timu allt alltmd5 alltshow allt5 zifubao flist computercode myface "
        "myface1 myfriend stime comefrom phone1 phone2 weixin qq email exp facebook school banji "
        "intro tuijianren buymoney gmoney");
}

QStringList BankColumns() {
    return words("username mantype stime buypass download openok buyp candownload");
}

QStringList PurchaseColumns() {
    return words("username mantype stime buynum puypass admin");
}

PassPlan UserCreatePass(SyncDirection direction) {
    PassPlan s;
    s.table = QStringLiteral("users");
    s.sourceQuery = UsersSourceQuery();
    s.lookup = [](const SqlDialect& d, const QVector<QVariant>& k) {
        return UsersLookupQuery(d, k[0]);
    };
    s.keyColumns = {QStringLiteral("username")};
    s.copiedColumns = UserColumns();
    s.progressText = right(direction) ? QStringLiteral(")正在向右同步用户创建新用户..")
                                      : QStringLiteral(")正在向左同步用户创建新用户..");
    return s;
}

PassPlan UserOverwritePass(SyncDirection direction) {
    PassPlan s = UserCreatePass(direction);
    s.kind = PassPlan::Kind::Overwrite;
    s.compareColumn = QStringLiteral("stime");
    // No key: the first matching row is reached by the database's row address.
    s.targetRowKey = {};
    s.progressText = right(direction) ? QStringLiteral(")正在向右同步用户比对数据覆盖..")
                                      : QStringLiteral(")正在向左同步用户比对数据覆盖..");
    return s;
}

PassPlan QuestionPass(SyncDirection direction) {
    PassPlan s;
    s.table = QStringLiteral("timu");
    s.sourceQuery = QuestionSourceQuery(direction);
    s.lookup = [direction](const SqlDialect& d, const QVector<QVariant>& k) {
        return QuestionLookupQuery(d, direction, k[0], k[1], k[2]);
    };
    s.keyColumns = {QStringLiteral("mantype"), QStringLiteral("QUESTION"), QStringLiteral("Qtype")};
    s.copiedColumns = QuestionColumnNames();
    s.progressText = right(direction) ? QStringLiteral(")正在向右同步题目[timu]..")
                                      : QStringLiteral(")正在向左同步题目[timu]..");
    s.finalText = right(direction) ? QStringLiteral("向右同步成功，共创建新题目:")
                                   : QStringLiteral("向左同步成功，共创建新题目:");
    s.finalSuffix = QStringLiteral("(全部题库)");
    s.questionPass = true;
    return s;
}

PassPlan BankNamePass() {
    PassPlan s;
    s.kind = PassPlan::Kind::Rename;
    s.table = QStringLiteral("timu");
    s.sourceQuery = QuestionSourceQuery(SyncDirection::Right);
    s.lookup = [](const SqlDialect& d, const QVector<QVariant>& k) {
        return BankNameLookupQuery(d, k[0]);
    };
    s.keyColumns = {QStringLiteral("QUESTION")};
    s.copiedColumns = {QStringLiteral("mantype")};
    s.compareColumn = QStringLiteral("mantype");
    s.targetRowKey = {QStringLiteral("id")};
    s.progressText = QStringLiteral(")正在向右同步题目题库名称[timu]..");
    s.finalText = QStringLiteral("向右同步题目题库名称成功，共搜索:");
    s.finalSuffix = QStringLiteral("(全部题库)");
    s.questionPass = true;
    return s;
}

PassPlan BankListPass(SyncDirection direction) {
    PassPlan s;
    s.table = QStringLiteral("alltype");
    s.sourceQuery = BankListSourceQuery();
    s.lookup = [](const SqlDialect& d, const QVector<QVariant>& k) {
        return BankListLookupQuery(d, k[0]);
    };
    s.keyColumns = {QStringLiteral("mantype")};
    s.copiedColumns = BankColumns();
    s.progressText = right(direction) ? QStringLiteral(")正在向右同步题库名称列表alltype..")
                                      : QStringLiteral(")正在向左同步题库名称列表alltype..");
    s.finalText = right(direction) ? QStringLiteral("向右同步成功，共创建新题库:")
                                   : QStringLiteral("向左同步成功，共创建新题库:");
    s.finalSuffix = QStringLiteral("(题目记得同步)");
    return s;
}

PassPlan PurchasePass(SyncDirection direction) {
    PassPlan s;
    s.table = QStringLiteral("buylist");
    s.sourceQuery = PurchaseSourceQuery();
    s.lookup = [](const SqlDialect& d, const QVector<QVariant>& k) {
        return PurchaseLookupQuery(d, k[0], k[1]);
    };
    s.keyColumns = {QStringLiteral("mantype"), QStringLiteral("username")};
    s.copiedColumns = PurchaseColumns();
    s.progressText = right(direction) ? QStringLiteral(")正在向右同步购买题库列表[buylist]..")
                                      : QStringLiteral(")正在向左同步购买题库列表[buylist]..");
    s.finalText = right(direction) ? QStringLiteral("向右同步成功，共创建新购买题库记录:")
                                   : QStringLiteral("向左同步成功，共创建新购买题库记录:");
    return s;
}

QString UserFinalTitle(int created, int overwritten) {
    return QStringLiteral("同步成功，共创建新用户:") + QString::number(created) +
           QStringLiteral(" 共覆盖数据:") + QString::number(overwritten);
}

}  // namespace qs
