// Access databases (Jet 3 and Jet 4, .mdb) through libmdb. The tables offered are the user
// tables; Jet 3 files carry no code page and are read as code page 936.
//
// libmdb trusts the file: on a damaged one it may loop without end or take memory without
// bound. So the file is read in a child process with a memory limit, which streams what it
// reads to the program through a pipe; a child that dies, or stops sending for a while, means a
// damaged file. The child uses nothing but libmdb and the C library, and ends with _exit.
#include "platform/import/Reader.h"
#include "platform/import/Source.h"

#include "platform/log/Log.h"

#include <QFile>

#include <mdbtools.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <iconv.h>
#include <locale.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace importsrc {
namespace {

const QString& KindName() {
    static const QString name = QStringLiteral("Access数据库");
    return name;
}

std::atomic<int> g_stallLimitMs{10000};

// More memory than the program holds already, for the child's reading.
constexpr unsigned long long kChildMemory = 2ULL << 30;

// What the child's cap limits, and the field of /proc/self/statm that says how much of it the
// program holds already. AddressSanitizer reserves its heap's whole address range at start and
// hands out small blocks from inside it, so a cap on the address space would leave the heap
// unbounded in a sanitized build; a cap on the data segment counts those blocks as they come into
// use, and holds.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kCappedResource = RLIMIT_DATA;
constexpr int kHeldField = 5; // data and stack, in pages
#else
constexpr int kCappedResource = RLIMIT_AS;
constexpr int kHeldField = 0; // the whole address space, in pages
#endif

// ---- the child: libmdb and the C library only ----------------------------------------------

// Messages: one tag byte, then the fields. u32 and i32 are little-endian.
//   'T' str                 a user table
//   'C' u32 type, str name  a column of the table being read
//   'R' u32 n, n × (i32 len, bytes)   a row: each column's bound text; len -1 for a column not
//                           read (binary data)
//   'E' u32 reason          the file is damaged (see Reason)
//   'D'                     done
enum Reason : std::uint32_t { kNotAccess = 1, kNoCatalog, kNoTable, kDamagedData };

class Writer {
public:
    explicit Writer(int fd) : m_fd(fd) {}
    void Tag(char tag) { m_buffer.push_back(tag); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_buffer.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
    }
    void Str(const char* s, size_t n) {
        U32(static_cast<std::uint32_t>(n));
        m_buffer.append(s, n);
    }
    void Str(const char* s) { Str(s, std::strlen(s)); }
    void Missing() { U32(0xFFFFFFFFu); }
    void Flush(bool force) {
        if (!force && m_buffer.size() < 65536)
            return;
        const char* p = m_buffer.data();
        size_t left = m_buffer.size();
        while (left > 0) {
            const ssize_t n = write(m_fd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(3); // the program is gone
            p += n;
            left -= static_cast<size_t>(n);
        }
        m_buffer.clear();
    }

private:
    int m_fd;
    std::string m_buffer;
};

// Quiet, limited and tied to the program: libmdb writes its complaints about a damaged file to
// the standard streams, and the child must die with the program.
void IsolateChild() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    unsigned long long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        for (int field = 0; field <= kHeldField; ++field)
            if (std::fscanf(statm, "%llu", &pages) != 1) {
                pages = 0;
                break;
            }
        std::fclose(statm);
    }
    const unsigned long long bytes =
        pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) + kChildMemory;
    const rlimit limit{bytes, bytes};
    setrlimit(kCappedResource, &limit);
    // libmdb prints numbers with printf: the decimal point must not follow the user's locale.
    setlocale(LC_NUMERIC, "C");
    // Read at open: libmdb hands text over as UTF-8 and takes Jet 3 text as code page 936.
    setenv("MDBICONV", "UTF-8", 1);
    setenv("MDB_JET3_CHARSET", "CP936", 1);
}

bool IsUserTable(const MdbCatalogEntry* entry) {
    return entry->object_type == MDB_TABLE && !mdb_is_system_table(const_cast<MdbCatalogEntry*>(entry)) &&
           strncasecmp(entry->object_name, "MSys", 4) != 0;
}

// Opens the file and reads its catalogue, or reports why not.
MdbHandle* OpenInChild(const char* path, Writer& out) {
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) {
        out.Tag('E');
        out.U32(kNotAccess);
        return nullptr;
    }
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        out.Tag('E');
        out.U32(kNoCatalog);
        return nullptr;
    }
    return mdb;
}

void ListTablesInChild(const char* path, Writer& out) {
    MdbHandle* mdb = OpenInChild(path, out);
    if (!mdb)
        return;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (IsUserTable(entry)) {
            out.Tag('T');
            out.Str(entry->object_name);
        }
    }
    out.Tag('D');
}

bool BindsAsText(int columnType) {
    return columnType != MDB_OLE && columnType != MDB_BINARY && columnType != MDB_COMPLEX;
}

void ReadTableInChild(const char* path, const char* table, Writer& out) {
    MdbHandle* mdb = OpenInChild(path, out);
    if (!mdb)
        return;
    MdbCatalogEntry* found = nullptr;
    for (unsigned int i = 0; i < mdb->num_catalog && !found; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (IsUserTable(entry) && std::strcmp(entry->object_name, table) == 0)
            found = entry;
    }
    MdbTableDef* def = found ? mdb_read_table(found) : nullptr;
    if (!def || !mdb_read_columns(def) || !def->columns || def->columns->len != def->num_cols) {
        out.Tag('E');
        out.U32(kNoTable);
        return;
    }
    mdb_rewind_table(def);
    const unsigned int columns = def->num_cols;
    const size_t bindSize = mdb->bind_size;
    std::string buffers(static_cast<size_t>(columns) * (bindSize + 1), '\0');
    std::string lengthsStore(columns * sizeof(int), '\0');
    auto* lengths = reinterpret_cast<int*>(lengthsStore.data());
    for (unsigned int c = 0; c < columns; ++c) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        out.Tag('C');
        out.U32(static_cast<std::uint32_t>(column->col_type));
        out.Str(column->name);
        if (BindsAsText(column->col_type))
            mdb_bind_column(def, static_cast<int>(c + 1), &buffers[c * (bindSize + 1)], &lengths[c]);
        else
            lengths[c] = -1;
    }
    // No table holds more rows than its header counts; a few more are allowed for rows the
    // header has not caught up on. More means a page chain that runs in a circle.
    const unsigned long long limit = static_cast<unsigned long long>(def->num_rows) + 1000;
    unsigned long long rows = 0;
    while (mdb_fetch_row(def)) {
        if (++rows > limit) {
            out.Tag('E');
            out.U32(kDamagedData);
            return;
        }
        out.Tag('R');
        out.U32(columns);
        for (unsigned int c = 0; c < columns; ++c) {
            if (lengths[c] < 0)
                out.Missing();
            else
                out.Str(&buffers[c * (bindSize + 1)], static_cast<size_t>(lengths[c]));
        }
        out.Flush(false);
    }
    out.Tag('D');
}

// ---- the program's side ---------------------------------------------------------------------

// The child converts text with iconv, which loads its converters on first use; loading a
// library in a child of a program with threads can wait on a lock another thread held at the
// fork. Converters opened here, and kept until the program ends, are loaded before any child
// starts.
class Converters {
public:
    Converters() {
        for (const auto& [to, from] : {std::pair{"UCS-2LE", "UTF-8"}, std::pair{"UTF-8", "UCS-2LE"},
                                       std::pair{"CP936", "UTF-8"}, std::pair{"UTF-8", "CP936"}}) {
            const iconv_t cd = iconv_open(to, from);
            if (cd != reinterpret_cast<iconv_t>(-1))
                m_open.push_back(cd);
        }
    }
    ~Converters() {
        for (const iconv_t cd : m_open)
            iconv_close(cd);
    }
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;

private:
    std::vector<iconv_t> m_open;
};

void LoadConverters() {
    static const Converters converters;
}

class Parser {
public:
    void Append(const char* p, size_t n) { m_data.append(p, static_cast<qsizetype>(n)); }
    bool AtEnd() const { return m_pos >= m_data.size(); }
    void Compact() {
        m_data.remove(0, m_pos);
        m_pos = 0;
    }
    // Each reader returns false when the message is not complete yet; the position then stays.
    bool Byte(char* c) {
        if (m_pos + 1 > m_data.size())
            return false;
        *c = m_data.at(m_pos++);
        return true;
    }
    bool U32(std::uint32_t* v) {
        if (m_pos + 4 > m_data.size())
            return false;
        const auto* b = reinterpret_cast<const unsigned char*>(m_data.constData() + m_pos);
        *v = b[0] | static_cast<std::uint32_t>(b[1]) << 8 | static_cast<std::uint32_t>(b[2]) << 16 |
             static_cast<std::uint32_t>(b[3]) << 24;
        m_pos += 4;
        return true;
    }
    // A string, or a missing value (len -1) as a null QByteArray.
    bool Str(QByteArray* s) {
        std::uint32_t n = 0;
        if (!U32(&n))
            return false;
        if (n == 0xFFFFFFFFu) {
            *s = QByteArray();
            return true;
        }
        if (m_pos + static_cast<qsizetype>(n) > m_data.size())
            return false;
        *s = m_data.mid(m_pos, static_cast<qsizetype>(n));
        if (s->isNull())
            *s = QByteArray("");
        m_pos += static_cast<qsizetype>(n);
        return true;
    }
    qsizetype Position() const { return m_pos; }
    void Rewind(qsizetype pos) { m_pos = pos; }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

enum class Conversion { Integer, Number, Currency, Boolean, DateTime, Text, Null };

struct ColumnRead {
    Conversion conversion;
    const char* type;
};

ColumnRead ReadOf(int columnType) {
    switch (columnType) {
    case MDB_BOOL:
        return {Conversion::Boolean, kBoolean};
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return {Conversion::Integer, kInteger};
    case MDB_MONEY:
        return {Conversion::Currency, kCurrency};
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return {Conversion::Number, kNumber};
    case MDB_DATETIME:
        return {Conversion::DateTime, kDateTime};
    case MDB_TEXT:
        return {Conversion::Text, kText};
    case MDB_MEMO:
        return {Conversion::Text, kLongText};
    case MDB_REPID:
        return {Conversion::Text, kGuid};
    default: // OLE objects, binary and complex fields
        return {Conversion::Null, kBlob};
    }
}

db::Variant Convert(const QByteArray& bound, Conversion conversion) {
    // libmdb binds a NULL as an empty text; a zero-length text reads as NULL too.
    if (bound.isNull() || (bound.isEmpty() && conversion != Conversion::Boolean))
        return {};
    const QString text = QString::fromUtf8(bound);
    double number = 0;
    switch (conversion) {
    case Conversion::Boolean:
        return text == QLatin1String("1") ? 1 : 0;
    case Conversion::Integer: {
        bool ok = false;
        const long long v = text.toLongLong(&ok);
        return ok ? db::Variant(v) : db::Variant();
    }
    case Conversion::Number:
    case Conversion::Currency:
        return ParseNumber(text, &number) ? db::Variant(number) : db::Variant();
    case Conversion::DateTime:
        return text.endsWith(QLatin1String(" 00:00:00")) ? text.left(text.size() - 9) : text;
    case Conversion::Text:
        return text;
    case Conversion::Null:
        break;
    }
    return {};
}

class AccessReader : public Reader {
public:
    explicit AccessReader(const QString& path) : m_path(path), m_encodedPath(QFile::encodeName(path)) {
        CheckReadable(path, KindName());
        const std::string file = m_encodedPath.toStdString();
        RunChild([file](Writer& out) { ListTablesInChild(file.c_str(), out); },
                 [this](char tag, Parser& in) {
                     QByteArray name;
                     if (tag != 'T')
                         Fail(kNotAccess);
                     if (!in.Str(&name))
                         return false;
                     m_tables << QString::fromUtf8(name);
                     return true;
                 });
    }

    QStringList Tables() const override { return m_tables; }

    SourceTable Read(const QString& table) const override {
        SourceTable out;
        std::vector<Conversion> conversions;
        const std::string file = m_encodedPath.toStdString();
        const std::string name = table.toUtf8().toStdString();
        RunChild([file, name](Writer& w) { ReadTableInChild(file.c_str(), name.c_str(), w); },
                 [&](char tag, Parser& in) {
                     if (tag == 'C') {
                         std::uint32_t type = 0;
                         QByteArray column;
                         if (!in.U32(&type) || !in.Str(&column))
                             return false;
                         const ColumnRead read = ReadOf(static_cast<int>(type));
                         out.names << QString::fromUtf8(column);
                         out.types << QString::fromLatin1(read.type);
                         conversions.push_back(read.conversion);
                         return true;
                     }
                     if (tag != 'R')
                         Fail(kDamagedData);
                     std::uint32_t n = 0;
                     if (!in.U32(&n))
                         return false;
                     if (n != conversions.size())
                         Fail(kDamagedData);
                     std::vector<db::Variant> row;
                     row.reserve(n);
                     for (std::uint32_t c = 0; c < n; ++c) {
                         QByteArray bound;
                         if (!in.Str(&bound))
                             return false;
                         row.push_back(Convert(bound, conversions[c]));
                     }
                     out.rows.push_back(std::move(row));
                     return true;
                 });
        return out;
    }

private:
    [[noreturn]] void Fail(std::uint32_t reason) const {
        QString text;
        switch (reason) {
        case kNotAccess:
            text = QStringLiteral("文件已损坏，或不是Access数据库（.mdb）。");
            break;
        case kNoCatalog:
            text = QStringLiteral("文件已损坏，读不出其中的表。");
            break;
        case kNoTable:
            text = QStringLiteral("文件已损坏，读不出所选的表。");
            break;
        default:
            text = QStringLiteral("文件已损坏，表中的数据读不出来。");
            break;
        }
        throw UnreadableSource(m_path, KindName(), text);
    }

    // Runs `work` in a child and hands each message the child sends to `take` (tag and the
    // parser positioned behind it; false: the message is not complete yet). The 'E', 'D' and
    // an unexpected end are handled here.
    void RunChild(const std::function<void(Writer&)>& work,
                  const std::function<bool(char, Parser&)>& take) const {
        LoadConverters();
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            Fail(kNotAccess);
        const pid_t pid = fork();
        if (pid < 0) {
            close(fds[0]);
            close(fds[1]);
            Fail(kNotAccess);
        }
        if (pid == 0) {
            close(fds[0]);
            IsolateChild();
            Writer out(fds[1]);
            work(out);
            out.Flush(true);
            _exit(0);
        }
        close(fds[1]);
        const int fd = fds[0];
        const auto finish = [pid, fd](bool kill) {
            if (kill)
                ::kill(pid, SIGKILL);
            close(fd);
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        };

        Parser in;
        bool done = false;
        std::uint32_t error = 0;
        char chunk[65536];
        while (!done && !error) {
            pollfd p{fd, POLLIN, 0};
            const int ready = poll(&p, 1, g_stallLimitMs.load());
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                qCInfo(vlog::io) << "Access reader stalled on" << m_path;
                finish(true);
                Fail(kDamagedData);
            }
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // the child ended (or died) without saying it was done
            in.Append(chunk, static_cast<size_t>(n));
            try {
                while (!in.AtEnd() && !done && !error) {
                    const qsizetype start = in.Position();
                    char tag = 0;
                    in.Byte(&tag);
                    bool complete = true;
                    if (tag == 'D')
                        done = true;
                    else if (tag == 'E')
                        complete = in.U32(&error);
                    else
                        complete = take(tag, in);
                    if (!complete) {
                        in.Rewind(start);
                        break;
                    }
                }
            } catch (...) {
                finish(true);
                throw;
            }
            in.Compact();
        }
        finish(!done);
        if (error)
            Fail(error);
        if (!done)
            Fail(kDamagedData);
    }

    QString m_path;
    QByteArray m_encodedPath;
    QStringList m_tables;
};

} // namespace

std::unique_ptr<Reader> OpenAccess(const QString& path) {
    return std::make_unique<AccessReader>(path);
}

void SetAccessStallLimit(int milliseconds) {
    g_stallLimitMs = milliseconds;
}

} // namespace importsrc
