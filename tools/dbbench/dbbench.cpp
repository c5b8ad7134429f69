// Times reading a score-table-sized result through Connection::Execute (materialised into
// Variants) against a bare sqlite3 prepare/step loop that reads every column of the same query.
#include "platform/db/Connection.h"
#include "platform/db/Transaction.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>

namespace {

constexpr int kRows = 20000;
// Each side's best of this many alternating runs: on a busy machine five were too few for the
// best to be the undisturbed time.
constexpr int kRuns = 11;

// 30 columns laid out like the score table: texts, integers and reals, some of them NULL.
const char kCreate[] = "CREATE TABLE t(id INTEGER, grade TEXT, studentid TEXT, name TEXT, class INTEGER, "
                       "gender TEXT, worl TEXT, kh TEXT, xjtype TEXT, ab TEXT, cid INTEGER, "
                       "s01 REAL, s011 REAL, s012 REAL, s02 REAL, s021 REAL, s022 REAL, s03 REAL, s031 REAL, "
                       "s032 REAL, s04 REAL, s05 REAL, s06 REAL, s07 REAL, s08 REAL, s09 REAL, "
                       "sum1 REAL, sum2 REAL, sum3 REAL, note TEXT)";

void Fill(db::Connection& conn) {
    conn.Execute(QString::fromLatin1(kCreate));
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> score(0, 150);
    const QStringList surnames = QString::fromUtf8("王 李 张 刘 陈 杨 赵 黄 周 吴").split(QLatin1Char(' '));
    const QStringList given =
        QString::fromUtf8("伟 芳 娜 敏 静 磊 强 洋 艳 杰 娟 涛").split(QLatin1Char(' '));
    QString sql = QStringLiteral("INSERT INTO t VALUES (?");
    for (int c = 1; c < 30; ++c)
        sql += QStringLiteral(", ?");
    sql += QLatin1Char(')');
    db::Transaction tx(conn);
    for (int r = 0; r < kRows; ++r) {
        std::vector<db::Variant> v;
        v.reserve(30);
        const int cls = r / 50 % 20 + 1;
        v.emplace_back(r % 5 + 1);
        v.emplace_back(QStringLiteral("12008"));
        v.emplace_back(QStringLiteral("12008%1%2")
                           .arg(cls, 2, 10, QLatin1Char('0'))
                           .arg(r % 50 + 1, 2, 10, QLatin1Char('0')));
        v.emplace_back(surnames[static_cast<int>(rng() % 10)] + given[static_cast<int>(rng() % 12)] +
                       (r % 3 ? given[static_cast<int>(rng() % 12)] : QString()));
        v.emplace_back(cls);
        v.emplace_back(QString::fromUtf8(r % 2 ? "男" : "女"));
        v.emplace_back(QString::fromUtf8(r % 3 ? "理" : "文"));
        v.emplace_back(QStringLiteral("%1%2")
                           .arg(r / 30 % 100, 2, 10, QLatin1Char('0'))
                           .arg(r % 30 + 1, 2, 10, QLatin1Char('0')));
        if (r % 40)
            v.emplace_back(QString::fromUtf8("正"));
        else
            v.emplace_back();
        v.emplace_back(r % 2 ? QStringLiteral("A") : QStringLiteral("B"));
        v.emplace_back(r + 1);
        for (int s = 0; s < 18; ++s) {
            if (r % 37 == s)
                v.emplace_back();
            else
                v.emplace_back(std::round(score(rng) * 2) / 2);
        }
        if (r % 11)
            v.emplace_back();
        else
            v.emplace_back(QString::fromUtf8("缺考一科"));
        conn.Execute(sql, v);
    }
    tx.Commit();
}

double Ms(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    db::Connection conn;
    conn.OpenFile(dir.filePath(QStringLiteral("bench.mdb")), {}, true);
    Fill(conn);
    const QString query = QStringLiteral("select * from t");

    long long sink = 0;
    auto ours = [&] {
        const db::Recordset rs = conn.Execute(query);
        sink += rs.RecordCount();
    };
    auto bare = [&] {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(conn.Handle(), "select * from t", -1, &stmt, nullptr);
        const int columns = sqlite3_column_count(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    sink += sqlite3_column_int64(stmt, c);
                    break;
                case SQLITE_FLOAT:
                    sink += static_cast<long long>(sqlite3_column_double(stmt, c));
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    sink += sqlite3_column_text(stmt, c)[0] + sqlite3_column_bytes(stmt, c);
                    break;
                }
            }
        }
        sqlite3_finalize(stmt);
    };
    // Alternating the two keeps a busy machine from favouring either.
    double bestOurs = std::numeric_limits<double>::max();
    double bestBare = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i) {
        bestOurs = std::min(bestOurs, Ms(ours));
        bestBare = std::min(bestBare, Ms(bare));
    }

    std::printf("%d rows x 30 columns, best of %d\n", kRows, kRuns);
    std::printf("Connection::Execute      %8.2f ms\n", bestOurs);
    std::printf("sqlite3 prepare/step     %8.2f ms\n", bestBare);
    std::printf("ratio                    %8.2f (goal <= 1.2)\n", bestOurs / bestBare);
    return sink == 0 ? 1 : 0;
}
