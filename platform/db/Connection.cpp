#include "platform/db/Connection.h"

#include "platform/db/FileGuard.h"
#include "platform/db/Functions.h"
#include "platform/db/Journal.h"
#include "platform/log/Log.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace db {
namespace {

constexpr int kBusyTimeoutMs = 2000;
// The journal's size, in frames, at which the connection copies it into the file between statements.
constexpr int kCheckpointFrames = 1000;
// How often a checkpoint that another connection kept from emptying the journal is tried again.
constexpr qint64 kRetryMs = 1000;
const char kPasswordTable[] = "veltora_password";

struct StatementDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// True for the statements worth keeping prepared: reads and row writes, which loops repeat with
// new values. Savepoints (named anew each time), pragmas and schema changes are prepared each time.
bool Reusable(const QByteArray& sql) {
    qsizetype i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    const QByteArray word = sql.mid(i, 7).toUpper();
    for (const char* verb : {"SELECT", "INSERT", "UPDATE", "DELETE", "REPLACE", "WITH"})
        if (word.startsWith(verb))
            return true;
    return false;
}

bool ChangesSchema(const QByteArray& sql) {
    const QByteArray word = sql.trimmed().left(6).toUpper();
    return word.startsWith("CREATE") || word.startsWith("ALTER") || word.startsWith("DROP");
}

} // namespace

// The last statements executed, kept prepared by their text, most recently used last.
class StatementCache {
public:
    sqlite3_stmt* Find(const QByteArray& sql) {
        for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
            if (it->sql == sql) {
                sqlite3_stmt* found = it->stmt.get();
                std::rotate(it.base() - 1, it.base(), m_entries.end());
                return found;
            }
        }
        return nullptr;
    }
    void Add(const QByteArray& sql, Statement stmt) {
        if (m_entries.size() >= kSize)
            m_entries.erase(m_entries.begin());
        m_entries.push_back({sql, std::move(stmt)});
    }
    void Clear() { m_entries.clear(); }

private:
    static constexpr size_t kSize = 32;
    struct Entry {
        QByteArray sql;
        Statement stmt;
    };
    std::vector<Entry> m_entries;
};

namespace {

DbError ErrorOf(sqlite3* db, int rc, const char* what = nullptr) {
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    // SQLite's words on memory are English and say nothing of what to do.
    if ((code & 0xFF) == SQLITE_NOMEM || (rc & 0xFF) == SQLITE_NOMEM)
        message = QStringLiteral("内存不足，操作没有完成。请关闭其他程序后再试。");
    if (what)
        message = QString::fromUtf8(what) + QStringLiteral(": ") + message;
    return DbError(code != SQLITE_OK ? code : rc, message, db ? sqlite3_system_errno(db) : 0);
}

// After the statement's end only blanks, ';' and comments may follow.
bool OnlyCommentsLeft(const char* p, const char* end) {
    while (p < end) {
        const char c = *p;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == ';') {
            ++p;
        } else if (c == '-' && p + 1 < end && p[1] == '-') {
            while (p < end && *p != '\n')
                ++p;
        } else if (c == '/' && p + 1 < end && p[1] == '*') {
            p += 2;
            while (p < end && !(*p == '*' && p + 1 < end && p[1] == '/'))
                ++p;
            p = p < end ? p + 2 : end;
        } else {
            return false;
        }
    }
    return true;
}

// A text's data is counted by an atomic reference count, and a result hands out its texts by the
// hundred thousand: each copy's reference would cost an atomic increment in the loop that reads
// the rows. These references are taken from the data in batches instead, and those not handed out
// are given back when the data is no longer handed out, so that the count is exact again once the
// result is made.
class References {
public:
    References() = default;
    References(const References&) = delete;
    References& operator=(const References&) = delete;
    ~References() { GiveBack(); }

    // Starts handing out references to `d` (whose own reference the caller keeps).
    void Start(QArrayData* d, int batch) {
        GiveBack();
        m_d = d;
        m_batch = batch;
    }
    // One reference to the data given to Start, for a QString made of it to adopt.
    void Take() {
        if (m_spare == 0) {
            m_d->ref_.fetchAndAddRelaxed(m_batch);
            m_spare = m_batch;
        }
        --m_spare;
    }
    // The references not handed out, given back; the caller's own keeps the data alive.
    void GiveBack() {
        if (m_spare != 0)
            m_d->ref_.fetchAndSubRelease(m_spare);
        m_spare = 0;
    }

private:
    QArrayData* m_d = nullptr;
    int m_batch = 0;
    int m_spare = 0;
};

// Texts are decoded into shared blocks: each QString made here is a view of one block with its
// own terminating zero, so the texts of a result cost one allocation per block instead of one per
// text. A block lives while any of its texts does; a text that is changed later detaches from it
// (or, when it is the block's last, grows in place), as any shared QString does.
class TextBlocks {
public:
    QString Make(std::string_view utf8) {
        // A text never has more UTF-16 units than UTF-8 bytes.
        const qsizetype room = static_cast<qsizetype>(utf8.size()) + 1;
        if (m_free < room)
            NewBlock(room);
        char16_t* out = m_next;
        qsizetype n = DecodeWellFormed(utf8, out);
        if (n < 0) {
            QStringDecoder decoder(QStringDecoder::Utf8,
                                   QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            QChar* begin = reinterpret_cast<QChar*>(out);
            n = decoder.appendToBuffer(begin,
                                       QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size()))) -
                begin;
        }
        out[n] = u'\0';
        m_next += n + 1;
        m_free -= n + 1;
        m_references.Take();
        return QString(QString::DataPointer(m_block.d_ptr(), out, n));
    }

private:
    // Decodes well-formed UTF-8 into `out` and gives the units written, or -1 at the first
    // sequence that is not (a text holding one is decoded as the decoder does, with its
    // replacement characters): setting up the decoder costs more than decoding a name. A byte
    // order mark is kept, as the decoder keeps it.
    static qsizetype DecodeWellFormed(std::string_view utf8, char16_t* out) {
        const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
        const auto* const end = p + utf8.size();
        char16_t* o = out;
        const auto follows = [](unsigned char c) { return (c & 0xC0) == 0x80; };
        while (p < end) {
            const unsigned c = *p;
            if (c < 0x80) {
                *o++ = static_cast<char16_t>(c);
                p += 1;
            } else if (c < 0xC2) {
                return -1;
            } else if (c < 0xE0) {
                if (end - p < 2 || !follows(p[1]))
                    return -1;
                *o++ = static_cast<char16_t>((c & 0x1F) << 6 | (p[1] & 0x3F));
                p += 2;
            } else if (c < 0xF0) {
                if (end - p < 3 || !follows(p[1]) || !follows(p[2]))
                    return -1;
                const unsigned u = (c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
                if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF))
                    return -1;
                *o++ = static_cast<char16_t>(u);
                p += 3;
            } else if (c < 0xF5) {
                if (end - p < 4 || !follows(p[1]) || !follows(p[2]) || !follows(p[3]))
                    return -1;
                const unsigned u =
                    (c & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F);
                if (u < 0x10000 || u > 0x10FFFF)
                    return -1;
                *o++ = static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10));
                *o++ = static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF));
                p += 4;
            } else {
                return -1;
            }
        }
        return o - out;
    }

    static constexpr qsizetype kBlockUnits = 8192;
    // References are taken for this many texts at a time.
    static constexpr int kReferenceBatch = 512;
    void NewBlock(qsizetype least) {
        const qsizetype units = std::max(kBlockUnits, least);
        auto [header, data] = QTypedArrayData<char16_t>::allocate(units);
        m_references.GiveBack();                         // while the old block still has our own reference
        m_block = QString::DataPointer(header, data, 0); // our own reference, given up with the block
        m_references.Start(header, kReferenceBatch);
        m_next = data;
        m_free = units;
    }

    QString::DataPointer m_block;
    References m_references; // declared after m_block: gives back before the block goes
    char16_t* m_next = nullptr;
    qsizetype m_free = 0;
};

// Each text of a result is decoded once: grade codes, genders and streams repeat across rows, and
// a small table per column, indexed by a hash of the bytes, hands out the text already decoded (a
// shared copy). A column whose texts hardly ever repeat (student numbers, exam numbers, names)
// stops using its table after a trial. Longer texts are worth more: a column that fails the
// small table's trial keeps its texts of 12 bytes and more in a wider table of its own for a
// second, longer trial, so that a result of a few thousand texts repeated over many rows (an
// imported sheet of remarks) holds each of them once; shorter ones cost little more than the
// value that holds them.
class TextCache {
public:
    explicit TextCache(int columns) : m_columns(static_cast<size_t>(columns > 0 ? columns : 0)) {}

    // Sets the text of `column` in the row `cells` is filling.
    void Add(CellBlocks& cells, int column, const char* bytes, int size) {
        const auto at = static_cast<std::size_t>(column);
        Column& col = m_columns[at];
        const std::string_view key(bytes ? bytes : "", static_cast<size_t>(size));
        if (!col.direct) {
            AddFromTable(cells, at, col, key);
            return;
        }
        if (key.size() >= kLongBytes && !col.longDirect) {
            AddFromMap(cells, at, col, key);
            return;
        }
        cells.Set(at, m_texts.Make(key));
    }

private:
    static constexpr size_t kSlots = 32; // a power of two
    static constexpr int kTrialRows = 128;
    // The second trial: texts of this many bytes and more, over this many of them, and at most
    // this many kept.
    static constexpr size_t kLongBytes = 12;
    static constexpr int kLongTrialRows = 4096;
    static constexpr size_t kLongKept = 16384; // a power of two
    static constexpr int kSlotReferenceBatch = 64;
    struct Slot {
        bool used = false;
        std::uint32_t hash = 0;
        std::string bytes;
        QString text;
        References references; // of text's data, for its copies; declared after it
    };
    // A long text is hashed by its length and three pieces of it (its start, middle and end):
    // equal texts still compare whole, and hashing stays cheap however long the texts.
    static size_t LongHash(std::string_view v) {
        constexpr size_t piece = 16;
        size_t h = v.size();
        for (const size_t at : {size_t{0}, v.size() / 2, v.size() > piece ? v.size() - piece : 0})
            h = h * 1000003u ^
                qHash(QByteArrayView(v.data() + at, static_cast<qsizetype>(std::min(piece, v.size() - at))));
        return h;
    }
    // The long texts kept: an open table of twice as many places as texts can be kept, each place
    // the hash of its text and the text's position in `texts` (0: empty).
    struct LongTexts {
        struct Place {
            std::uint32_t hash = 0;  // the low half of the text's hash
            std::uint32_t entry = 0; // 1 + the index in texts
        };
        std::vector<Place> places;
        std::vector<std::pair<std::string, QString>> texts;
    };
    struct Column {
        std::unique_ptr<Slot[]> table; // kSlots of them while the column tries them
        int lookups = 0;
        int hits = 0;
        bool direct = false;
        LongTexts longTexts;
        int longLookups = 0;
        int longHits = 0;
        bool longDirect = false;
    };

    void AddFromTable(CellBlocks& cells, std::size_t column, Column& col, std::string_view key) {
        if (!col.table)
            col.table = std::make_unique<Slot[]>(kSlots);
        const std::uint32_t hash = Hash(key);
        Slot& slot = col.table[hash & (kSlots - 1)];
        if (slot.used && slot.hash == hash && slot.bytes == key) {
            ++col.hits;
        } else {
            slot.used = true;
            slot.hash = hash;
            slot.bytes.assign(key);
            slot.references.GiveBack();
            slot.text = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
            if (QArrayData* d = slot.text.data_ptr().d_ptr())
                slot.references.Start(d, kSlotReferenceBatch);
        }
        QString::DataPointer& d = slot.text.data_ptr();
        if (d.d_ptr()) {
            slot.references.Take();
            cells.Set(column, QString(QString::DataPointer(d.d_ptr(), d.data(), d.size)));
        } else {
            cells.Set(column, slot.text); // the empty text, which counts no references
        }
        if (++col.lookups == kTrialRows && col.hits < kTrialRows / 8) {
            col.direct = true;
            col.table.reset();
        }
    }

    void AddFromMap(CellBlocks& cells, std::size_t column, Column& col, std::string_view key) {
        LongTexts& kept = col.longTexts;
        if (kept.places.empty())
            kept.places.resize(2 * kLongKept);
        const auto hash = static_cast<std::uint32_t>(LongHash(key));
        const size_t mask = kept.places.size() - 1;
        size_t at = hash & mask;
        for (;; at = (at + 1) & mask) {
            const LongTexts::Place& place = kept.places[at];
            if (place.entry == 0)
                break;
            if (place.hash == hash && kept.texts[place.entry - 1].first == key)
                break;
        }
        LongTexts::Place& place = kept.places[at];
        if (place.entry != 0) {
            ++col.longHits;
            cells.Set(column, kept.texts[place.entry - 1].second);
        } else if (kept.texts.size() < kLongKept) {
            kept.texts.emplace_back(std::string(key), m_texts.Make(key));
            place.hash = hash;
            place.entry = static_cast<std::uint32_t>(kept.texts.size());
            cells.Set(column, kept.texts.back().second);
        } else {
            cells.Set(column, m_texts.Make(key));
        }
        if (++col.longLookups == kLongTrialRows && col.longHits < kLongTrialRows / 8) {
            col.longDirect = true;
            col.longTexts = {};
        }
    }

    static std::uint32_t Hash(std::string_view key) { // FNV-1a
        std::uint32_t h = 2166136261u;
        for (const char c : key)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }
    std::vector<Column> m_columns;
    TextBlocks m_texts;
};

QString PasswordHash(const QByteArray& salt, const QString& password) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt);
    hash.addData(password.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

bool IsTrue(const QString& value) {
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 || value == QLatin1String("1");
}

void BindParameter(sqlite3_stmt* stmt, int index, const Variant& v) {
    switch (v.Type()) {
    case VariantType::Null:
        sqlite3_bind_null(stmt, index);
        break;
    case VariantType::Integer:
    case VariantType::Bool:
        sqlite3_bind_int64(stmt, index, v.ToInt64());
        break;
    case VariantType::Real:
        sqlite3_bind_double(stmt, index, v.ToDouble());
        break;
    case VariantType::Text:
    case VariantType::Date: {
        if (v.Type() == VariantType::Date && !v.ToDate().isValid()) {
            sqlite3_bind_null(stmt, index);
            break;
        }
        const QByteArray utf8 = v.ToString().toUtf8();
        sqlite3_bind_text64(stmt, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
}

} // namespace

Connection::Connection() : m_statements(std::make_unique<StatementCache>()) {}

Connection::~Connection() {
    Close();
}

void Connection::Open(const QString& connectionString) {
    Close();
    QString source;
    QString password;
    bool create = false;
    bool haveSource = false;
    const qsizetype size = connectionString.size();
    qsizetype pos = 0;
    while (pos < size) {
        const qsizetype eq = connectionString.indexOf(QLatin1Char('='), pos);
        const qsizetype semicolon = connectionString.indexOf(QLatin1Char(';'), pos);
        if (eq < 0 || (semicolon >= 0 && semicolon < eq)) {
            const qsizetype end = semicolon < 0 ? size : semicolon;
            const QString part = connectionString.mid(pos, end - pos).trimmed();
            if (!part.isEmpty())
                throw DbError(DbError::kBadConnectionString,
                              QStringLiteral("connection string: \"%1\" is not key=value").arg(part));
            pos = end + 1;
            continue;
        }
        const QString key = connectionString.mid(pos, eq - pos).trimmed().toLower();
        if (key == QLatin1String("database password") || key.endsWith(QLatin1String(":database password")) ||
            key == QLatin1String("pwd")) {
            // The password is the last key: it runs to the end of the string and may hold ';'.
            password = connectionString.mid(eq + 1);
            break;
        }
        // The value: quoted (a doubled quote stands for itself), or up to the next ';'.
        qsizetype p = eq + 1;
        while (p < size && connectionString.at(p).isSpace())
            ++p;
        QString value;
        if (p < size &&
            (connectionString.at(p) == QLatin1Char('"') || connectionString.at(p) == QLatin1Char('\''))) {
            const QChar quote = connectionString.at(p++);
            for (;;) {
                if (p >= size)
                    throw DbError(
                        DbError::kBadConnectionString,
                        QStringLiteral("connection string: the value of \"%1\" is not closed").arg(key));
                const QChar c = connectionString.at(p++);
                if (c != quote) {
                    value += c;
                } else if (p < size && connectionString.at(p) == quote) {
                    value += c;
                    ++p;
                } else {
                    break;
                }
            }
            while (p < size && connectionString.at(p).isSpace())
                ++p;
            if (p < size && connectionString.at(p) != QLatin1Char(';'))
                throw DbError(
                    DbError::kBadConnectionString,
                    QStringLiteral("connection string: text after the quoted value of \"%1\"").arg(key));
        } else {
            qsizetype end = connectionString.indexOf(QLatin1Char(';'), p);
            if (end < 0)
                end = size;
            value = connectionString.mid(p, end - p).trimmed();
            p = end;
        }
        if (key == QLatin1String("data source") || key == QLatin1String("dbq")) {
            source = value;
            haveSource = true;
        } else if (key == QLatin1String("create")) {
            create = IsTrue(value);
        }
        pos = p + 1;
    }
    if (!haveSource || source.isEmpty())
        throw DbError(DbError::kBadConnectionString, QStringLiteral("connection string has no Data Source"));
    OpenFile(source, password, create);
}

void Connection::OpenFile(const QString& path, const QString& password, bool create) {
    Close();
    if (path.isEmpty())
        throw DbError(DbError::kBadConnectionString, QStringLiteral("no database file named"));
    const bool memory = path == QLatin1String(":memory:");
    // SQLite takes an existing empty file for an empty database; without Create that is a damaged
    // file, not one to fill.
    if (!memory && !create) {
        const QFileInfo info(path);
        if (info.isFile() && info.size() == 0)
            throw DbError(SQLITE_NOTADB, QStringLiteral("file is not a database (it is empty)"));
        // The journal is made beside the file: in a folder that cannot take it, every write would fail.
        if (info.isFile() && !QFileInfo(info.absolutePath()).isWritable())
            throw DbError(SQLITE_READONLY_DIRECTORY,
                          QStringLiteral("the folder of the database is read-only: ") + info.absolutePath());
    }

    sqlite3* handle = nullptr;
    // A connection belongs to one thread at a time, so SQLite's per-call locking is dead weight
    // (it costs a fifth of the time of reading a large result).
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error = ErrorOf(handle, rc, "cannot open the database");
        sqlite3_close_v2(handle);
        throw error;
    }
    m_db = handle;
    m_path = path;
    if (!memory) {
        const char* const opened = sqlite3_db_filename(m_db, "main");
        GuardDatabaseFiles(this, path, opened ? QString::fromUtf8(opened) : QString());
    }
    try {
        sqlite3_extended_result_codes(m_db, 1);
        // SQLite quietly opens a write-protected file read-only; the program needs to write.
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw DbError(SQLITE_READONLY, QStringLiteral("the database file is read-only"));
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        // Reading the schema is what finds out whether the file is a database at all.
        Execute(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        RegisterFunctions(m_db);
        // Nothing has been written yet: a file refused here stays as it was.
        if (m_fileCheck)
            m_fileCheck(*this);
        VerifyPassword(password);
        if (!memory) {
            Execute(QStringLiteral("PRAGMA journal_mode=WAL"));
            // Checkpoints are the connection's own (see CheckpointIfDue), so that every journal it
            // starts begins with the file's session mark.
            sqlite3_wal_hook(m_db, &Connection::OnWalCommit, this);
            MarkSession();
        }
        Execute(QStringLiteral("PRAGMA foreign_keys=ON"));
        // A page cache that holds a school's file (64 MB; SQLite's own is 2 MB, which a grade of a
        // few thousand students outgrows, and every report then reads its pages again).
        Execute(QStringLiteral("PRAGMA cache_size=-65536"));
    } catch (...) {
        Close();
        throw;
    }
}

namespace {

// Keeps a connection's own checkpoints from running inside the statements that make them.
struct CheckpointGuard {
    explicit CheckpointGuard(bool& flag) : flag(flag) { flag = true; }
    ~CheckpointGuard() { flag = false; }
    CheckpointGuard(const CheckpointGuard&) = delete;
    CheckpointGuard& operator=(const CheckpointGuard&) = delete;
    bool& flag;
};

} // namespace

void Connection::Close() {
    m_statements->Clear(); // a statement left unfinalized would keep the file open
    if (m_db) {
        // A fresh mark goes into the file with the close's own checkpoint, so that the file as the
        // session leaves it carries a mark no copy taken while it ran carries.
        if (m_marked && sqlite3_get_autocommit(m_db)) {
            const CheckpointGuard guard(m_checkpointing);
            try {
                WriteSessionMark(NewMark());
            } catch (const DbError& e) {
                qCInfo(vlog::db) << "cannot mark the database at its close:" << e.what();
            }
            m_statements->Clear();
        }
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        UnguardDatabaseFiles(this);
    }
    m_path.clear();
    m_walFrames = 0;
    m_marked = false;
    m_markPending = false;
    m_allCopied = false;
}

void Connection::KeepFromWrites(const QString& path) {
    GuardWrittenName(this, path);
}

int Connection::OnWalCommit(void* self, sqlite3*, const char*, int frames) {
    static_cast<Connection*>(self)->m_walFrames = frames;
    return SQLITE_OK;
}

Connection::Checkpointed Connection::CheckpointAll(int busyTimeoutMs) {
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    int frames = 0;
    int copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, &frames, &copied);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return frames > 0 && copied == frames ? Checkpointed::kBusyAllCopied : Checkpointed::kBusy;
    Check(rc, "checkpoint");
    m_walFrames = 0;
    return Checkpointed::kEmptied;
}

int Connection::SessionMark() {
    return static_cast<int>(Execute(QStringLiteral("PRAGMA user_version")).Field(0).ToInt64());
}

void Connection::WriteSessionMark(int mark) {
    Execute(QStringLiteral("PRAGMA user_version=%1").arg(mark));
}

int Connection::NewMark() {
    const int present = SessionMark();
    int mark = present;
    while (mark == present || mark == 0)
        mark = static_cast<int>(QRandomGenerator::system()->bounded(1u, 0x7FFFFFFFu));
    return mark;
}

int Connection::FileMark() {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        throw DbError(SQLITE_ERROR, QStringLiteral("the database file is not open"));
    unsigned char bytes[4] = {};
    const int rc = file->pMethods->xRead(file, bytes, 4, kSessionMarkOffset);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)
        throw ErrorOf(nullptr, rc, "reading the session mark");
    return static_cast<int>((std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
                            (std::uint32_t(bytes[2]) << 8) | bytes[3]);
}

namespace {

MarkStepObserver g_markStepObserver = nullptr;

void ObserveMarkStep(MarkStep step) {
    if (g_markStepObserver)
        g_markStepObserver(step);
}

// Another connection holds the database's write lock (a mark waits for it like any write).
bool IsBusy(const DbError& e) {
    return (e.Code() & 0xFF) == SQLITE_BUSY || (e.Code() & 0xFF) == SQLITE_LOCKED;
}

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void SetMarkStepObserver(MarkStepObserver observer) {
    g_markStepObserver = observer;
}

Connection::Checkpointed Connection::CheckpointWithFreshMark(int busyTimeoutMs) {
    // The fresh mark is the journal's last frame: copied in with the rest, it tells the file apart
    // from every copy taken in this journal's time, and the next journal can begin with it.
    WriteSessionMark(NewMark());
    return CheckpointAll(busyTimeoutMs);
}

void Connection::BeginJournalWithFreshMark() {
    ObserveMarkStep(MarkStep::kJournalEmptied);
    const int mark = NewMark();
    WriteSessionMark(mark);
    ObserveMarkStep(MarkStep::kMarkInJournal);
    // The mark goes into the file itself before anything else is written: from here on the file
    // differs from every copy taken before, even one taken while the last checkpoint ran. Ended
    // before that, the journal holds only the mark, which the next start drops.
    const Checkpointed result = CheckpointAll(kBusyTimeoutMs);
    if (result != Checkpointed::kEmptied) {
        qCInfo(vlog::db)
            << "the database is in use elsewhere: the journal's fresh mark goes into the file later";
        KeepFileMark(result);
        return;
    }
    ObserveMarkStep(MarkStep::kMarkInFile);
    WriteSessionMark(mark); // the first frame of the new journal
    ObserveMarkStep(MarkStep::kJournalBegun);
    m_markPending = false;
    m_allCopied = false;
}

void Connection::KeepFileMark(Checkpointed result) {
    m_markPending = true;
    m_allCopied = result == Checkpointed::kBusyAllCopied;
    m_lastTryMs = NowMs();
    // Never a journal whose committed work follows only marks the file lacks: the next frames
    // carry the file's own mark again.
    const int file = FileMark();
    if (SessionMark() != file)
        WriteSessionMark(file);
}

void Connection::MarkSession() {
    // The journal a session finds is the file's own (the start-up reconciliation has set aside any
    // other): it goes into the file first, with a fresh mark. Another connection reading it, or a
    // file that cannot take it (a full disk), leaves it as it is, and this session's work follows
    // it there under the file's own mark.
    const CheckpointGuard guard(m_checkpointing);
    m_marked = true;
    try {
        const Checkpointed result = CheckpointWithFreshMark(0);
        if (result == Checkpointed::kEmptied) {
            BeginJournalWithFreshMark();
        } else {
            qCInfo(vlog::db) << "the database is in use elsewhere: the session goes on in its journal";
            KeepFileMark(result);
        }
    } catch (const DbError& e) {
        if (IsBusy(e))
            qCInfo(vlog::db) << "another connection is writing: the journal's mark goes in later";
        else
            qCWarning(vlog::db) << "cannot checkpoint the journal found at open:" << e.what();
        m_markPending = true;
        m_lastTryMs = NowMs();
    }
}

void Connection::CheckpointIfDue() {
    if (m_checkpointing || !sqlite3_get_autocommit(m_db))
        return;
    if (m_markPending ? !m_allCopied && NowMs() - m_lastTryMs < kRetryMs : m_walFrames < kCheckpointFrames)
        return;
    const CheckpointGuard guard(m_checkpointing);
    m_walFrames = 0;
    try {
        // Every journal begins with a mark of its own that the file carries, so that a copy of the
        // file taken in one journal's time never meets a later journal.
        const Checkpointed result = CheckpointWithFreshMark(0);
        if (result == Checkpointed::kEmptied)
            BeginJournalWithFreshMark();
        else
            KeepFileMark(result);
    } catch (const DbError& e) {
        if (IsBusy(e))
            qCInfo(vlog::db) << "another connection is writing: the checkpoint is tried again later";
        else
            qCWarning(vlog::db) << "checkpoint failed; the journal keeps growing:" << e.what();
        m_lastTryMs = NowMs();
    }
}

void Connection::Check(int rc, const char* what) const {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw ErrorOf(m_db, rc, what);
}

Recordset Connection::Execute(const QString& sql, const std::vector<Variant>& params) {
    if (!m_db)
        throw DbError(DbError::kNotOpen, QStringLiteral("the database connection is not open"));
    CheckpointIfDue();
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = m_statements->Find(text);
    Statement once;
    if (!stmt) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        // The size includes the terminating NUL, which spares SQLite a copy of the text.
        Check(sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()) + 1, &raw, &tail),
              nullptr);
        Statement prepared(raw);
        if (tail && !OnlyCommentsLeft(tail, text.constData() + text.size()))
            throw DbError(DbError::kMultipleStatements,
                          QStringLiteral("only one SQL statement may be executed at a time"));
        if (!prepared) {
            if (!params.empty())
                throw DbError(DbError::kBadParameterCount,
                              QStringLiteral("values given for an empty statement"));
            return {};
        }
        stmt = prepared.get();
        if (Reusable(text))
            m_statements->Add(text, std::move(prepared));
        else
            once = std::move(prepared);
    }
    // A kept statement is reset as soon as it is done, so that it holds no read snapshot.
    struct Reset {
        sqlite3_stmt* s;
        ~Reset() {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    } const reset{stmt};

    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != static_cast<int>(params.size()))
        throw DbError(
            DbError::kBadParameterCount,
            QStringLiteral("the statement takes %1 values, %2 given").arg(expected).arg(params.size()));
    for (int i = 0; i < expected; ++i)
        BindParameter(stmt, i + 1, params[static_cast<size_t>(i)]);

    const sqlite3_int64 changesBefore = sqlite3_total_changes64(m_db);
    // The columns are read after the first step: a kept statement whose table another connection
    // has changed since is prepared again inside it, with the table's columns as they are now.
    int rc = sqlite3_step(stmt);
    const int columns = sqlite3_column_count(stmt);
    CellBlocks cells(static_cast<size_t>(columns));
    TextCache texts(columns);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
        cells.StartRow();
        for (int c = 0; c < columns; ++c) {
            const auto at = static_cast<std::size_t>(c);
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                cells.Set(at, static_cast<long long>(sqlite3_column_int64(stmt, c)));
                break;
            case SQLITE_FLOAT:
                cells.Set(at, sqlite3_column_double(stmt, c));
                break;
            case SQLITE_NULL:
                break;
            default: { // TEXT, and BLOB taken as the text of its bytes
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                const int n = sqlite3_column_bytes(stmt, c);
                texts.Add(cells, c, p, n);
                break;
            }
            }
        }
        cells.EndRow();
    }
    if (ChangesSchema(text))
        m_statements->Clear();
    Check(rc, nullptr);

    // sqlite3_changes() keeps the count of an earlier statement when this one changed nothing.
    const long long affected = sqlite3_total_changes64(m_db) != changesBefore ? sqlite3_changes64(m_db) : 0;
    if (columns == 0) {
        Recordset closed;
        closed.SetRowsAffected(affected);
        return closed;
    }
    QStringList names;
    QStringList types;
    names.reserve(columns);
    types.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        names.append(QString::fromUtf8(sqlite3_column_name(stmt, c)));
        const char* decl = sqlite3_column_decltype(stmt, c);
        types.append(decl ? QString::fromUtf8(decl) : QString());
    }
    Recordset result(std::move(names), std::move(types), std::move(cells));
    result.SetRowsAffected(affected);
    return result;
}

long long Connection::LastInsertId() const {
    if (!m_db)
        throw DbError(DbError::kNotOpen, QStringLiteral("the database connection is not open"));
    return sqlite3_last_insert_rowid(m_db);
}

bool Connection::InTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void Connection::SetDatabasePassword(const QString& password) {
    if (!m_db)
        throw DbError(DbError::kNotOpen, QStringLiteral("the database connection is not open"));
    const QString table = QString::fromLatin1(kPasswordTable);
    Execute(QStringLiteral("SAVEPOINT veltora_set_password"));
    try {
        Execute(QStringLiteral("DROP TABLE IF EXISTS ") + table);
        if (!password.isEmpty()) {
            QByteArray salt(16, Qt::Uninitialized);
            QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
            Execute(QStringLiteral("CREATE TABLE ") + table +
                    QStringLiteral("(salt TEXT NOT NULL, hash TEXT NOT NULL)"));
            Execute(QStringLiteral("INSERT INTO ") + table + QStringLiteral("(salt, hash) VALUES (?, ?)"),
                    QString::fromLatin1(salt.toHex()), PasswordHash(salt, password));
        }
        Execute(QStringLiteral("RELEASE veltora_set_password"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO veltora_set_password; RELEASE veltora_set_password", nullptr, nullptr,
                     nullptr);
        throw;
    }
}

void Connection::VerifyPassword(const QString& password) {
    const Recordset table =
        Execute(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"),
                QString::fromLatin1(kPasswordTable));
    if (table.IsEOF())
        return; // not protected
    const Recordset row =
        Execute(QStringLiteral("SELECT salt, hash FROM ") + QString::fromLatin1(kPasswordTable) +
                QStringLiteral(" ORDER BY rowid LIMIT 1"));
    if (row.IsEOF())
        return;
    const QByteArray salt = QByteArray::fromHex(row.Field(0).ToString().toLatin1());
    const QString stored = row.Field(1).ToString().trimmed();
    if (stored.compare(PasswordHash(salt, password), Qt::CaseInsensitive) != 0)
        throw DbError(DbError::kWrongPassword, QStringLiteral("wrong database password"));
}

QString QuoteConnectionValue(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
                       !value.contains(QLatin1Char('\'')) && value == value.trimmed();
    if (plain)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool RemoveJournalFiles(const QString& databasePath) {
    bool all = true;
    for (const char* suffix : kJournalSuffixes) {
        const QString journal = databasePath + QLatin1String(suffix);
        if (QFileInfo::exists(journal) && !QFile::remove(journal)) {
            qCWarning(vlog::db) << "cannot remove the journal" << journal;
            all = false;
        }
    }
    return all;
}

} // namespace db
