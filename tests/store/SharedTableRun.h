#pragma once
// Programs sharing one table, as two copies of the programs share an office's Balance.dbf:
// writer processes with long-lived connections append rows and update them, while a reader
// counts. Used by test_two_processes (a few seconds) and by bench_store_shared (longer runs,
// with writers killed at random moments).
//
// Writer w owns the rows with NUMBER_M = w; NUMBER_S is its sequence number, TYPE_S the
// value of its last update, and KENT a stamp that one multi-row UPDATE sets on all of the
// writer's rows at once, so that all rows of a writer carry the same KENT after every
// complete statement: a statement left half done shows as two stamps. Each writer logs its
// intent before a statement and its confirmation after it, so that a writer killed in the
// middle is judged by what it could know.
#include "store/dbf/LocalSql.h"
#include "common/Error.h"

#include <QFile>
#include <QTextStream>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

namespace tk::test {

struct SharedRunFigures {
    long confirmed = 0;     // rows whose INSERT returned
    long lost = 0;          // confirmed rows missing afterwards
    long duplicated = 0;    // rows present more than once
    long unconfirmed = 0;   // rows present that no INSERT confirmed and none was in flight for
    long staleUpdates = 0;  // rows whose value is not the last one confirmed (or in flight)
    long halfDone = 0;      // writers whose rows carry more than one stamp
    long unreadable = 0;    // the table could not be read afterwards
    long countDrops = 0;    // times a reader saw the row count go down
    long failures = 0;      // statements that failed in writers or readers
    long halfSeen = 0;      // times a reader saw a writer's rows with two stamps
    long reads = 0;
};

inline std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One writer's loop until `until` (steady clock ms). Returns the number of failed statements.
inline int sharedWriter(const QString& dir, int w, std::int64_t until, const QString& logPath, unsigned seed)
{
    const int log = ::open(QFile::encodeName(logPath).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    auto note = [&](const std::string& line) {
        if (::write(log, line.data(), line.size()) != ssize_t(line.size()))
            std::_Exit(3);
    };
    int failures = 0;
    std::mt19937 rng(seed);
    store::LocalSql sql(dir);
    // A writer started again after a kill goes on from what the table and its log hold.
    long seq = 0, stamp = 0;
    {
        const auto r = sql.select({"SELECT MAX(number_s), MAX(kent) FROM balance WHERE number_m = :w"}, store::Params().integer("w", w));
        seq = r.value(0, 0).isNull() ? 0 : r.value(0, 0).toLongLong();
        stamp = r.value(0, 1).isNull() ? 0 : r.value(0, 1).toLongLong();
    }
    while (nowMs() < until) {
        const int what = int(rng() % 20);
        try {
            if (what < 14 || seq == 0) {
                ++seq;
                note("i " + std::to_string(seq) + "\n");
                sql.execute({"INSERT INTO balance(number_m, type_m, number_s, type_s, kent) VALUES(:w, 0, :s, 0, :k)"},
                            store::Params().integer("w", w).integer("s", seq).integer("k", stamp));
                note("I " + std::to_string(seq) + "\n");
            } else if (what < 19) {
                const long s = 1 + long(rng() % std::uint32_t(seq));
                const long v = 1 + long(rng() % 9);
                note("u " + std::to_string(s) + " " + std::to_string(v) + "\n");
                sql.execute({"UPDATE balance SET type_s = :v WHERE number_m = :w AND number_s = :s"},
                            store::Params().integer("w", w).integer("s", s).integer("v", v));
                note("U " + std::to_string(s) + " " + std::to_string(v) + "\n");
            } else {
                const long next = (stamp + 1) % 100000;
                note("k " + std::to_string(next) + "\n");
                sql.execute({"UPDATE balance SET kent = :k WHERE number_m = :w"}, store::Params().integer("w", w).integer("k", next));
                stamp = next;
                note("K " + std::to_string(next) + "\n");
            }
        } catch (const Error& e) {
            ++failures;
            note("F\n");
            std::fprintf(stderr, "writer %d: %s\n", w, e.message().toUtf8().constData());
        }
    }
    ::close(log);
    return failures;
}

// A reader with one long-lived connection: counts under its lock, and the stamps.
inline void sharedReaderStep(store::LocalSql& sql, long& lastCount, SharedRunFigures& f)
{
    try {
        const long n = sql.select({"SELECT COUNT(*) FROM balance"}).value(0, 0).toLongLong();
        if (n < lastCount)
            ++f.countDrops;
        lastCount = std::max(lastCount, n);
        const auto stamps = sql.select({"SELECT number_m, COUNT(DISTINCT kent) FROM balance GROUP BY number_m"});
        for (int r = 0; r < stamps.size(); ++r)
            f.halfSeen += stamps.value(r, 1).toLongLong() > 1;
        ++f.reads;
    } catch (const Error& e) {
        ++f.failures;
        std::fprintf(stderr, "reader: %s\n", e.message().toUtf8().constData());
    }
}

// Judges the table against the writers' logs.
inline void sharedCheck(const QString& dir, const std::map<int, QString>& logs, SharedRunFigures& f)
{
    std::map<int, std::map<long, int>> rows;      // writer -> seq -> how many times
    std::map<int, std::map<long, long>> values;   // writer -> seq -> TYPE_S
    std::map<int, std::set<long>> stamps;
    try {
        store::LocalSql sql(dir);
        const auto all = sql.select({"SELECT number_m, number_s, type_s, kent FROM balance"});
        for (int r = 0; r < all.size(); ++r) {
            const int w = int(all.value(r, 0).toLongLong());
            const long s = all.value(r, 1).toLongLong();
            ++rows[w][s];
            values[w][s] = all.value(r, 2).toLongLong();
            stamps[w].insert(all.value(r, 3).toLongLong());
        }
    } catch (const Error& e) {
        ++f.unreadable;
        std::fprintf(stderr, "check: %s\n", e.message().toUtf8().constData());
        return;
    }
    for (const auto& [w, path] : logs) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        std::set<long> confirmed, inFlight;
        std::map<long, std::set<long>> allowed; // seq -> values it may hold
        QTextStream in(&file);
        long pendingSeq = -1, pendingValue = -1;
        while (!in.atEnd()) {
            const QStringList p = in.readLine().split(' ');
            if (p.size() == 1 && p[0] == "F")
                ++f.failures;
            if (p.size() < 2)
                continue;
            const long a = p[1].toLong();
            if (p[0] == "i") {
                inFlight.insert(a);
                allowed[a] = {0};
            } else if (p[0] == "I") {
                inFlight.erase(a);
                confirmed.insert(a);
            } else if (p[0] == "u") {
                pendingSeq = a;
                pendingValue = p[2].toLong();
                allowed[a].insert(pendingValue); // in flight: may have landed
            } else if (p[0] == "U") {
                allowed[a] = {p[2].toLong()};
                pendingSeq = -1;
            }
        }
        (void)pendingSeq;
        (void)pendingValue;
        f.confirmed += long(confirmed.size());
        for (long s : confirmed) {
            const int n = rows[w].count(s) ? rows[w][s] : 0;
            f.lost += n == 0;
            f.duplicated += n > 1;
        }
        for (const auto& [s, n] : rows[w]) {
            if (!confirmed.count(s) && !inFlight.count(s))
                ++f.unconfirmed;
            if (confirmed.count(s) && n == 1 && !allowed[s].count(values[w][s]))
                ++f.staleUpdates;
        }
        f.halfDone += stamps[w].size() > 1;
    }
}

} // namespace tk::test
