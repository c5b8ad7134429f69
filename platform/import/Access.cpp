// Access databases (Jet 3 and Jet 4, .mdb) through libmdb. The tables offered are the user
// tables; Jet 3 files carry no code page and are read as code page 936.
//
// libmdb trusts the file: on a damaged one it may crash, loop without end or take memory
// without bound, and it prints its complaints and goes on with what it has. So the file is read
// in a child process (Child.h); the child uses nothing but libmdb and the C library. A file that
// libmdb complains about, whose catalogue holds an object without a name, or whose table yields
// fewer rows than its header counts (a page beyond the end of a partly copied file reads as no
// rows), is refused as damaged; libmdb's own words go to the log. The read ends at libmdb's first
// word of a page beyond the end of the file, before it chases more.
#include "platform/import/Child.h"
#include "platform/import/Reader.h"
#include "platform/import/Source.h"
#include "platform/log/Log.h"

#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iconv.h>
#include <locale.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace importsrc {
namespace {

const QString& KindName() {
    static const QString name = QStringLiteral("Access数据库");
    return name;
}

// ---- the child: libmdb and the C library only ----------------------------------------------

// Messages (besides 'E' and 'D', Child.h): one tag byte, then the fields.
//   'T' str                 a user table
//   'C' u32 type, str name  a column of the table being read
//   'R' u32 n, n × str      a row: each column's bound text; missing for a column not read
//                           (binary data)
enum Reason : std::uint32_t {
    kNotAccess = 1,
    kNoCatalog,
    kNoTable,
    kDamagedData,
    kShortTable,
    kNamelessObject
};

// libmdb, asked for a page past the end of the file, says so on its error output ("offset …
// is beyond EOF") and goes on with a page of nothing, from which it may chase more offsets and
// take memory until the child's cap, so that a small damaged file would be called too large.
// The child's error output goes through a stream that watches for those words: at the first, the
// child reports the file damaged and ends. What libmdb writes still reaches the complaints.
struct ComplaintWatch {
    ChildWriter* out = nullptr;
    std::string tail; // the end of what was written before, for words split between writes
};

ssize_t WatchComplaints(void* cookie, const char* bytes, size_t size) {
    static constexpr char kBeyondEnd[] = "is beyond EOF";
    auto* watch = static_cast<ComplaintWatch*>(cookie);
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(STDERR_FILENO, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    watch->tail.append(bytes, size);
    if (watch->tail.find(kBeyondEnd) != std::string::npos) {
        watch->out->Error(kDamagedData);
        watch->out->Flush(true);
        _exit(0);
    }
    if (watch->tail.size() > sizeof kBeyondEnd)
        watch->tail.erase(0, watch->tail.size() - sizeof kBeyondEnd);
    return static_cast<ssize_t>(size);
}

// glib prints its messages only to an error output with a file descriptor, which the watched
// stream has not, and would end the child without a word: among them the one that says an
// allocation failed at the child's cap ("failed to allocate …"), by which the child's end is
// told as out of memory. They go through the watched stream, those glib prints unasked.
void WriteGlibMessage(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
    if (level & (G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG))
        return;
    if (domain) {
        std::fputs(domain, stderr);
        std::fputs(": ", stderr);
    }
    std::fputs(message ? message : "", stderr);
    std::fputc('\n', stderr);
}

// libmdb prints numbers with printf: the decimal point must not follow the user's locale. It
// hands text over as UTF-8 and takes Jet 3 text as code page 936, as set before it opens a file.
// Its error output is watched (above), glib's messages with it.
void PrepareChild(ChildWriter& out) {
    setlocale(LC_NUMERIC, "C");
    setenv("MDBICONV", "UTF-8", 1);
    setenv("MDB_JET3_CHARSET", "CP936", 1);
    static ComplaintWatch watch;
    watch.out = &out;
    cookie_io_functions_t functions{};
    functions.write = WatchComplaints;
    if (FILE* watched = fopencookie(&watch, "w", functions)) {
        setvbuf(watched, nullptr, _IONBF, 0);
        stderr = watched;
        g_log_set_default_handler(WriteGlibMessage, nullptr);
    }
}

bool IsUserTable(const MdbCatalogEntry* entry) {
    return entry->object_type == MDB_TABLE && !mdb_is_system_table(const_cast<MdbCatalogEntry*>(entry)) &&
           strncasecmp(entry->object_name, "MSys", 4) != 0;
}

// Opens the file and reads its catalogue, or reports why not.
MdbHandle* OpenInChild(const char* path, ChildWriter& out) {
    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) {
        out.Error(kNotAccess);
        return nullptr;
    }
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb);
    // The catalogue is the table MSysObjects, one row per object: the objects read must be as
    // many as its header counts, or a page of it is missing.
    MdbCatalogEntry objects{};
    objects.mdb = mdb;
    objects.object_type = MDB_TABLE;
    objects.table_pg = 2;
    std::strcpy(objects.object_name, "MSysObjects");
    MdbTableDef* def = mdb_read_table(&objects);
    if (!def) {
        out.Error(kNoCatalog);
        return nullptr;
    }
    const unsigned int counted = def->num_rows;
    mdb_free_tabledef(def);
    if (!mdb_read_catalog(mdb, MDB_ANY)) {
        out.Error(kNoCatalog);
        return nullptr;
    }
    if (mdb->num_catalog < counted) {
        out.Error(kShortTable, std::to_string(counted) + ' ' + std::to_string(mdb->num_catalog));
        return nullptr;
    }
    // Every object has a name: an entry without one is a row of the catalogue read from bytes
    // that are not one.
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        if (static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i))->object_name[0] == '\0') {
            out.Error(kNamelessObject);
            return nullptr;
        }
    }
    return mdb;
}

void ListTablesInChild(const char* path, ChildWriter& out) {
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
    out.Done();
}

bool BindsAsText(int columnType) {
    return columnType != MDB_OLE && columnType != MDB_BINARY && columnType != MDB_COMPLEX;
}

void ReadTableInChild(const char* path, const char* table, ChildWriter& out) {
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
        out.Error(kNoTable);
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
    // header has not caught up on. More means a page chain that runs in a circle, fewer a page
    // that is not there.
    const unsigned long long counted = def->num_rows;
    const unsigned long long limit = counted + 1000;
    unsigned long long rows = 0;
    while (mdb_fetch_row(def)) {
        if (++rows > limit) {
            out.Error(kDamagedData);
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
    if (rows < counted) {
        out.Error(kShortTable, std::to_string(counted) + ' ' + std::to_string(rows));
        return;
    }
    out.Done();
}

// ---- the program's side ---------------------------------------------------------------------

// A file smaller than this share of the child's memory cap does not need all of it.
constexpr unsigned long long kFarBelowTheCap = 4;

// The child converts text with iconv, which loads its converters on first use; loading a
// library in a child of a program with threads can wait on a lock another thread held at the
// fork. The converters are opened once before any child starts, and kept (and so loaded) until
// the program ends.
class Converters {
public:
    Converters() {
        const std::array<std::pair<const char*, const char*>, 4> pairs{
            {{"UCS-2LE", "UTF-8"}, {"UTF-8", "UCS-2LE"}, {"CP936", "UTF-8"}, {"UTF-8", "CP936"}}};
        for (size_t i = 0; i < pairs.size(); ++i)
            m_open[i] = iconv_open(pairs[i].first, pairs[i].second);
    }
    ~Converters() {
        for (iconv_t cd : m_open)
            if (cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(cd);
    }
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;

private:
    std::array<iconv_t, 4> m_open{};
};

void LoadConverters() {
    static const Converters converters;
}

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
        Run([file](ChildWriter& out) { ListTablesInChild(file.c_str(), out); },
            [this](char tag, ChildMessages& in) {
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

    // Each row goes to the sink as it comes, the columns before the first.
    void Stream(const QString& table, TableSink& sink, ErrorCells*) const override {
        QStringList names, types;
        bool begun = false;
        std::vector<Conversion> conversions;
        std::vector<db::Variant> row;
        const std::string file = m_encodedPath.toStdString();
        const std::string name = table.toUtf8().toStdString();
        Run([file, name](ChildWriter& w) { ReadTableInChild(file.c_str(), name.c_str(), w); },
            [&](char tag, ChildMessages& in) {
                if (tag == 'C') {
                    std::uint32_t type = 0;
                    QByteArray column;
                    if (begun)
                        Fail(kDamagedData);
                    if (!in.U32(&type) || !in.Str(&column))
                        return false;
                    const ColumnRead read = ReadOf(static_cast<int>(type));
                    names << QString::fromUtf8(column);
                    types << QString::fromLatin1(read.type);
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
                row.clear();
                row.reserve(n);
                for (std::uint32_t c = 0; c < n; ++c) {
                    QByteArray bound;
                    if (!in.Str(&bound))
                        return false;
                    row.push_back(Convert(bound, conversions[c]));
                }
                if (!begun) {
                    sink.Columns(names, types);
                    begun = true;
                }
                sink.Row(row);
                return true;
            });
        if (!begun)
            sink.Columns(names, types);
    }

private:
    [[noreturn]] void Fail(std::uint32_t reason, const QString& detail = {}) const {
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
        case kNamelessObject:
            text = QStringLiteral("文件已损坏，其目录中有没有名称的对象。");
            break;
        case kShortTable: {
            const QStringList counts = detail.split(QLatin1Char(' '));
            text = QStringLiteral("文件已损坏，表头记有%1行，只读出%2行。")
                       .arg(counts.value(0), counts.value(1));
            break;
        }
        default:
            text = QStringLiteral("文件已损坏，表中的数据读不出来。");
            break;
        }
        throw UnreadableSource(m_path, KindName(), text);
    }

    // Runs the child; a child that did not finish, or that libmdb complained in, refuses the
    // file. libmdb's complaints (hex dumps of the pages it could not make sense of, as a rule) go
    // to the log, not into the message.
    void Run(const std::function<void(ChildWriter&)>& work,
             const std::function<bool(char, ChildMessages&)>& take) const {
        LoadConverters();
        const ChildEnd end = RunInChild(
            [&work](ChildWriter& out) {
                PrepareChild(out);
                work(out);
            },
            take);
        if (!end.complaints.isEmpty() &&
            (end.how == ChildEnd::How::Done || end.how == ChildEnd::How::Reported))
            qCInfo(vlog::io) << "Access reader on" << ShownPath(m_path) << end.Describe() << end.complaints;
        switch (end.how) {
        case ChildEnd::How::Done:
            if (!end.complaints.isEmpty())
                Fail(kDamagedData);
            return;
        case ChildEnd::How::Reported:
            Fail(end.reason, end.detail);
        case ChildEnd::How::OutOfMemory:
            // libmdb holds a page or a few at a time: a file far smaller than the memory the
            // child may take ran into it by chasing damage, and is damaged, not too large.
            if (QFileInfo(m_path).size() < static_cast<qint64>(ChildMemoryLimit() / kFarBelowTheCap))
                Fail(kDamagedData);
            throw UnreadableSource(m_path, KindName(),
                                   QStringLiteral("数据库太大（%1），无法读取。").arg(FileSizeText(m_path)));
        default:
            Fail(kDamagedData);
        }
    }

    QString m_path;
    QByteArray m_encodedPath;
    QStringList m_tables;
};

} // namespace

std::unique_ptr<Reader> OpenAccess(const QString& path) {
    return std::make_unique<AccessReader>(path);
}

} // namespace importsrc
