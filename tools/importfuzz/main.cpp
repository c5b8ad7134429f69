// importfuzz [--seconds N] [--stall MS] [--keep DIR] SEED...
// importfuzz --replay [--stall MS] FILE...   reads each file once and says how its reading ended,
//                                             with what the children reported
//
// Mutation fuzzing of the import readers as the program runs them: each case is a seed file
// (.xls, .mdb or .dbf) with bytes changed, flipped, copied over, cut off or, for a workbook, its
// records' lengths, types and fields changed, for a FoxPro table its header's counts and lengths,
// its field descriptors and the texts of its number fields; it is opened and every table loaded,
// as an import does, and the loaded rows are walked cell by cell in the program, as the imports
// walk them. The loading runs in this process what the program runs after the reading child (a
// workbook's rows made from the cells the child sends, the table written), so that the
// sanitizers watch it too. The figures per reader: cases, files read (and how many of them with
// fewer or more rows than their seed), files refused, and how the reading children ended:
// crashed (a signal, or a sanitizer's report), hung (killed at the stall limit), capped (at the
// memory limit). The fuzzing process itself must come through every case; an error other than
// the readers' own stops it. Cases that crashed, hung or capped a child, and those read with
// another number of rows than their seed, are kept in the --keep folder; there each case is
// written as running-PID.EXT while it runs, so that a case that ends this process stays behind.
#include "platform/import/Child.h"
#include "platform/import/Source.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <vector>

namespace {

struct Figures {
    unsigned long long cases = 0, read = 0, refused = 0, crashed = 0, sanitizer = 0, hung = 0, capped = 0;
    // Mutated files read with another number of rows than their seed: fewer, or more.
    unsigned long long fewerRows = 0, moreRows = 0;
};

// The children's reports that reached the log since the last look: a sanitizer's among them.
bool g_sanitizerSeen = false;
bool g_showLog = false; // --replay: the log is printed
// Error cells a loaded table gave outside its rows and columns, in all cases.
unsigned long long g_strayErrorCells = 0;

void Logged(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (g_showLog)
        std::fprintf(stderr, "%s\n", qPrintable(text));
    if (text.contains(QLatin1String("Sanitizer")) || text.contains(QLatin1String("runtime error")))
        g_sanitizerSeen = true;
    if (type == QtFatalMsg)
        std::abort();
}

int Word(const QByteArray& b, qsizetype at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

// The offsets of a workbook stream's records, walked from its first record.
std::vector<qsizetype> RecordsOf(const QByteArray& file) {
    std::vector<qsizetype> records;
    const qsizetype start = file.indexOf(QByteArray("\x09\x08\x10\x00\x00\x06\x05\x00", 8));
    for (qsizetype at = start; at >= 0 && at + 4 <= file.size();) {
        const int length = Word(file, at + 2);
        if (at + 4 + length > file.size())
            break;
        records.push_back(at);
        at += 4 + length;
    }
    return records;
}

// A FoxPro table's header, field descriptors and records (each record's first byte is its
// deletion mark) as the seed has them.
struct DbfLayout {
    int headerLength = 0, recordLength = 0, records = 0;
    std::vector<qsizetype> descriptors;
    bool Valid() const { return headerLength > 32 && recordLength > 0; }
};

DbfLayout DbfLayoutOf(const QByteArray& file) {
    DbfLayout layout;
    if (file.size() < 33)
        return layout;
    layout.records = Word(file, 4) | Word(file, 6) << 16;
    layout.headerLength = Word(file, 8);
    layout.recordLength = Word(file, 10);
    for (qsizetype at = 32; at + 32 <= file.size() && at + 32 <= layout.headerLength && file[at] != '\x0D';
         at += 32)
        layout.descriptors.push_back(at);
    return layout;
}

// One change where a FoxPro reader looks: the header's record count, header or record length, a
// field descriptor's type, offset, width or decimals, or the text of a field of a record.
void MutateDbf(QByteArray& out, const DbfLayout& layout, std::mt19937& random) {
    const auto setWord = [&out](qsizetype at, unsigned v) {
        if (at + 2 <= out.size()) {
            out[at] = static_cast<char>(v & 0xFF);
            out[at + 1] = static_cast<char>(v >> 8 & 0xFF);
        }
    };
    switch (random() % 6) {
    case 0: { // the record count: one off, zero, half, or any
        static const int deltas[] = {-1, 1, -2, 2};
        const unsigned which = random() % 4;
        const long long count = which == 0   ? layout.records + deltas[random() % 4]
                                : which == 1 ? 0
                                : which == 2 ? layout.records / 2
                                             : static_cast<long long>(random());
        const auto v = static_cast<std::uint32_t>(count);
        setWord(4, v & 0xFFFF);
        setWord(6, v >> 16);
        break;
    }
    case 1: // the header's length
        setWord(8, random() % 2 ? layout.headerLength + static_cast<int>(random() % 65) - 32 : random());
        break;
    case 2: // the record's length
        setWord(10, random() % 2 ? layout.recordLength + static_cast<int>(random() % 17) - 8 : random());
        break;
    case 3: { // a field descriptor
        if (layout.descriptors.empty())
            break;
        const qsizetype at = layout.descriptors[random() % layout.descriptors.size()];
        if (at + 18 > out.size()) // cut short by an earlier change
            break;
        static const char types[] = "CNFDLIBYTMGVQ0@+O";
        switch (random() % 4) {
        case 0:
            out[at + 11] = types[random() % (sizeof types - 1)];
            break;
        case 1:
            setWord(at + 12,
                    random() % 2 ? Word(out, at + 12) + static_cast<int>(random() % 9) - 4 : random());
            break;
        case 2:
            out[at + 16] = static_cast<char>(random() % 2 ? out[at + 16] + static_cast<int>(random() % 5) - 2
                                                          : static_cast<int>(random()));
            break;
        default:
            out[at + 17] = static_cast<char>(random() % 20);
            break;
        }
        break;
    }
    default: { // a field's text in a record: stars, a blank, a stray letter, a digit or any byte
        if (layout.records <= 0)
            break;
        const qsizetype record =
            layout.headerLength + static_cast<qsizetype>(random() % layout.records) * layout.recordLength;
        const qsizetype at = record + 1 + static_cast<qsizetype>(random() % layout.recordLength);
        if (at >= out.size())
            break;
        static const char bytes[] = "* x0123456789.-\0\xFF";
        const char b = bytes[random() % (sizeof bytes - 1)];
        for (unsigned n = 1 + (random() % 3 == 0 ? random() % 8 : 0); n > 0 && at + n - 1 < out.size(); --n)
            out[at + n - 1] = b;
        break;
    }
    }
}

QByteArray Mutate(const QByteArray& seed, const std::vector<qsizetype>& records, const DbfLayout& dbf,
                  std::mt19937& random) {
    QByteArray out = seed;
    const auto size = [&out] { return static_cast<unsigned>(out.size()); };
    // One change as a rule, now and then a few.
    const int changes = 1 + (random() % 4 == 0 ? static_cast<int>(random() % 8) : 0);
    for (int i = 0; i < changes && !out.isEmpty(); ++i) {
        if (dbf.Valid() && random() % 2 == 0) {
            MutateDbf(out, dbf, random);
            continue;
        }
        switch (random() % (records.empty() ? 6 : 9)) {
        case 0: // bit flip
            out[random() % size()] ^= static_cast<char>(1 << (random() % 8));
            break;
        case 1: // random bytes
            for (unsigned n = 1 + random() % 16; n > 0; --n)
                out[random() % size()] = static_cast<char>(random());
            break;
        case 2: { // an interesting 16- or 32-bit value
            static const std::uint32_t values[] = {0,          1,           0x7F,       0x80,   0xFF,
                                                   0x100,      0x7FFF,      0x8000,     0xFFFF, 0x10000,
                                                   0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
            const std::uint32_t v = values[random() % std::size(values)];
            const unsigned at = random() % size();
            for (unsigned b = 0; b < (random() % 2 ? 2u : 4u) && at + b < size(); ++b)
                out[at + b] = static_cast<char>(v >> (8 * b));
            break;
        }
        case 3: { // a chunk copied over another
            const unsigned n = 1 + random() % std::min(4096u, size());
            const unsigned from = random() % (size() - n + 1), to = random() % (size() - n + 1);
            out.replace(to, n, out.mid(from, n));
            break;
        }
        case 4: // cut short
            if (random() % 4 == 0)
                out.truncate(random() % size());
            break;
        case 5: // a page or sector zeroed
            if (size() > 512) {
                const unsigned at = (random() % (size() / 512)) * 512;
                out.replace(at, 512, QByteArray(512, '\0'));
            }
            break;
        default: { // a workbook record's length, type or a field
            const qsizetype at = records[random() % records.size()];
            if (at + 4 > out.size())
                break;
            const int length = Word(out, at + 2);
            const unsigned which = random() % 3;
            if (which == 0) {
                const auto v = static_cast<std::uint16_t>(random() % 2 ? random() % (length + 16) : random());
                out[at + 2] = static_cast<char>(v);
                out[at + 3] = static_cast<char>(v >> 8);
            } else if (which == 1) {
                static const std::uint16_t types[] = {0x0006, 0x000A, 0x003C, 0x00BD, 0x00FC, 0x00FD,
                                                      0x0200, 0x0203, 0x0204, 0x0207, 0x027E, 0x0809};
                const std::uint16_t t = types[random() % std::size(types)];
                out[at] = static_cast<char>(t);
                out[at + 1] = static_cast<char>(t >> 8);
            } else if (length > 0 && at + 4 + length <= out.size()) {
                out[at + 4 + static_cast<qsizetype>(random() % length)] =
                    static_cast<char>(random() % 2 ? 0xFF : random());
            }
            break;
        }
        }
    }
    return out;
}

// Walks the loaded table as an import walks it: every row, every cell read and made a text, and
// each error cell's row and column inside the table. Returns the rows.
long long WalkRows(db::Connection& target, const QString& table, const importsrc::ErrorCells& errors) {
    db::Recordset rs = importsrc::SelectLoaded(target, table);
    long long rows = 0;
    size_t characters = 0;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
        ++rows;
        for (int c = 0; c < rs.FieldCount(); ++c) {
            const db::Variant& v = rs.Field(c);
            characters += v.IsNull() ? 0 : static_cast<size_t>(v.ToString().size());
        }
    }
    for (const auto& [row, column] : errors)
        if (row < 1 || row > rows || column < 0 || column >= rs.FieldCount()) {
            std::fprintf(stderr, "error cell (%d, %d) outside the table of %lld rows\n", row, column, rows);
            ++g_strayErrorCells;
        }
    (void)characters; // the texts are made for the making's sake
    return rows;
}

// Opens the file and loads every table; the rows of all its tables when it was read, nothing when
// it was refused.
std::optional<long long> TryEverything(const QString& path) {
    try {
        importsrc::SourceFile file(path);
        db::Connection target;
        target.OpenFile(QStringLiteral(":memory:"));
        long long rows = 0;
        for (const QString& table : file.Tables()) {
            file.Load(table, target);
            rows += WalkRows(target, table, file.LoadedErrorCells());
        }
        return rows;
    } catch (const db::DbError& e) {
        if (e.Code() != importsrc::kUnreadableSource || !e.Message().contains(path)) {
            std::fprintf(stderr, "unexpected error %d: %s\n", e.Code(), qPrintable(e.Message()));
            std::exit(2);
        }
        return std::nullopt;
    }
}

} // namespace

int main(int argc, char** argv) {
    // A sanitizer's report in a child ends the child, so that it is counted.
    setenv("UBSAN_OPTIONS", "halt_on_error=1:print_stacktrace=0", 0);
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(Logged);
    QStringList args = app.arguments().mid(1);
    int seconds = 60;
    int stallMs = 2000;
    QString keep;
    bool replay = false;
    QStringList seeds;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = args[++i].toInt();
        else if (args[i] == QLatin1String("--stall") && i + 1 < args.size())
            stallMs = args[++i].toInt();
        else if (args[i] == QLatin1String("--keep") && i + 1 < args.size())
            keep = args[++i];
        else if (args[i] == QLatin1String("--replay"))
            replay = true;
        else
            seeds << args[i];
    }
    if (seeds.isEmpty()) {
        std::fprintf(stderr, "usage: importfuzz [--seconds N] [--stall MS] [--keep DIR] SEED...\n");
        return 1;
    }
    importsrc::SetReaderStallLimit(stallMs);
    if (!keep.isEmpty())
        QDir().mkpath(keep);

    if (replay) {
        g_showLog = true;
        for (const QString& path : seeds) {
            const importsrc::ChildCounts before = importsrc::CountsOfChildren();
            QElapsedTimer timer;
            timer.start();
            const std::optional<long long> rows = TryEverything(path);
            const bool read = rows.has_value();
            const importsrc::ChildCounts after = importsrc::CountsOfChildren();
            if (read)
                std::printf("%s: %lld rows\n", qPrintable(path), *rows);
            std::printf("%s: %s in %lld ms; children crashed %llu, hung %llu, capped %llu\n",
                        qPrintable(path), read ? "read" : "refused", static_cast<long long>(timer.elapsed()),
                        after.died - before.died, after.stalled - before.stalled,
                        after.outOfMemory - before.outOfMemory);
        }
        return 0;
    }

    struct Seed {
        QString suffix;
        QByteArray bytes;
        std::vector<qsizetype> records;
        long long rows = 0;
        DbfLayout dbf;
    };
    std::vector<Seed> loaded;
    for (const QString& path : seeds) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        Seed s{QFileInfo(path).suffix().toLower(), f.readAll(), {}, 0, {}};
        if (s.suffix == QLatin1String("xls"))
            s.records = RecordsOf(s.bytes);
        if (s.suffix == QLatin1String("dbf"))
            s.dbf = DbfLayoutOf(s.bytes);
        if (const std::optional<long long> rows = TryEverything(path))
            s.rows = *rows;
        else
            std::fprintf(stderr, "seed %s is refused as it is\n", qPrintable(path));
        loaded.push_back(std::move(s));
    }

    QTemporaryDir dir;
    std::mt19937 random(static_cast<unsigned>(std::random_device{}()));
    std::map<QString, Figures> figures;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < static_cast<qint64>(seconds) * 1000) {
        const Seed& seed = loaded[random() % loaded.size()];
        const QByteArray variant = Mutate(seed.bytes, seed.records, seed.dbf, random);
        const QString path = keep.isEmpty() ? dir.filePath(QStringLiteral("case.") + seed.suffix)
                                            : QStringLiteral("%1/running-%2.%3")
                                                  .arg(keep)
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(seed.suffix);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(variant) != variant.size())
            return 1;
        out.close();
        const importsrc::ChildCounts before = importsrc::CountsOfChildren();
        g_sanitizerSeen = false;
        const std::optional<long long> rows = TryEverything(path);
        const bool read = rows.has_value();
        const importsrc::ChildCounts after = importsrc::CountsOfChildren();
        Figures& f = figures[seed.suffix];
        ++f.cases;
        ++(read ? f.read : f.refused);
        if (read && *rows < seed.rows)
            ++f.fewerRows;
        if (read && *rows > seed.rows)
            ++f.moreRows;
        const char* kept = !read || *rows == seed.rows ? nullptr : *rows < seed.rows ? "fewer" : "more";
        if (after.died > before.died) {
            ++f.crashed;
            kept = "crash";
        }
        if (g_sanitizerSeen) {
            ++f.sanitizer;
            kept = "sanitizer";
        }
        if (after.stalled > before.stalled) {
            ++f.hung;
            kept = "hang";
        }
        if (after.outOfMemory > before.outOfMemory) {
            ++f.capped;
            kept = "cap";
        }
        if (kept && !keep.isEmpty())
            QFile::copy(path, QStringLiteral("%1/%2-%3-%4.%5")
                                  .arg(keep, QLatin1String(kept))
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(f.cases)
                                  .arg(seed.suffix));
        if (!keep.isEmpty())
            QFile::remove(path);
    }
    if (g_strayErrorCells > 0)
        std::printf("error cells outside their tables: %llu\n", g_strayErrorCells);
    for (const auto& [suffix, f] : figures)
        std::printf(
            "%s: %llu cases in %d s, %llu read (%llu with fewer rows than their seed, %llu with more), "
            "%llu refused; children crashed %llu (sanitizer reports %llu), hung %llu, capped %llu\n",
            qPrintable(suffix), f.cases, seconds, f.read, f.fewerRows, f.moreRows, f.refused, f.crashed,
            f.sanitizer, f.hung, f.capped);
    return 0;
}
