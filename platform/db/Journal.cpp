#include "platform/db/Journal.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <unistd.h>

#include <cstring>

namespace db {
namespace {

// The journal's layout: a 32-byte header, then frames of a 24-byte header and one page.
constexpr int kHeaderSize = 32;
constexpr int kFrameHeaderSize = 24;
constexpr std::uint32_t kMagicLittle = 0x377f0682;
constexpr std::uint32_t kMagicBig = 0x377f0683; // checksums over big-endian words
constexpr std::uint32_t kFormatVersion = 3007000;

std::uint32_t Big32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t(u[0]) << 24) | (std::uint32_t(u[1]) << 16) | (std::uint32_t(u[2]) << 8) | u[3];
}

std::uint32_t Little32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t(u[3]) << 24) | (std::uint32_t(u[2]) << 16) | (std::uint32_t(u[1]) << 8) | u[0];
}

// The journal's running checksum over `size` bytes (a multiple of 8).
void AddChecksum(bool bigEndian, const char* data, qsizetype size, std::uint32_t sum[2]) {
    for (qsizetype i = 0; i + 8 <= size; i += 8) {
        const std::uint32_t x0 = bigEndian ? Big32(data + i) : Little32(data + i);
        const std::uint32_t x1 = bigEndian ? Big32(data + i + 4) : Little32(data + i + 4);
        sum[0] += x0 + sum[1];
        sum[1] += x1 + sum[0];
    }
}

// True when two copies of the first page differ only where a session mark's write changes it: the
// mark itself and the two change counters SQLite keeps in the header.
bool DifferOnlyInMark(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size() || a.size() < 100)
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const bool counter = (i >= 24 && i < 28) || (i >= 92 && i < 96);
        const bool mark = i >= kSessionMarkOffset && i < kSessionMarkOffset + 4;
        if (!counter && !mark && a[i] != b[i])
            return false;
    }
    return true;
}

class FrameReader {
public:
    explicit FrameReader(QFile& file) : m_file(file) {}

    bool ReadHeader() {
        const QByteArray h = m_file.read(kHeaderSize);
        if (h.size() != kHeaderSize)
            return false;
        const std::uint32_t magic = Big32(h.constData());
        if ((magic != kMagicLittle && magic != kMagicBig) || Big32(h.constData() + 4) != kFormatVersion)
            return false;
        m_bigEndian = magic == kMagicBig;
        m_pageSize = qsizetype(Big32(h.constData() + 8));
        if (m_pageSize < 512 || m_pageSize > 65536 || (m_pageSize & (m_pageSize - 1)) != 0)
            return false;
        std::memcpy(m_salt, h.constData() + 16, 8);
        AddChecksum(m_bigEndian, h.constData(), 24, m_sum);
        return m_sum[0] == Big32(h.constData() + 24) && m_sum[1] == Big32(h.constData() + 28);
    }

    // The next frame, when it is one SQLite would read (its salts and checksum chain hold).
    struct Frame {
        std::uint32_t page = 0;
        bool commit = false;
        QByteArray data;
    };
    bool Next(Frame& frame) {
        const QByteArray h = m_file.read(kFrameHeaderSize);
        if (h.size() != kFrameHeaderSize || std::memcmp(h.constData() + 8, m_salt, 8) != 0)
            return false;
        frame.data = m_file.read(m_pageSize);
        if (frame.data.size() != m_pageSize)
            return false;
        std::uint32_t sum[2] = {m_sum[0], m_sum[1]};
        AddChecksum(m_bigEndian, h.constData(), 8, sum);
        AddChecksum(m_bigEndian, frame.data.constData(), m_pageSize, sum);
        if (sum[0] != Big32(h.constData() + 16) || sum[1] != Big32(h.constData() + 20))
            return false;
        m_sum[0] = sum[0];
        m_sum[1] = sum[1];
        frame.page = Big32(h.constData());
        frame.commit = Big32(h.constData() + 4) != 0;
        return true;
    }

    qsizetype PageSize() const { return m_pageSize; }

private:
    QFile& m_file;
    bool m_bigEndian = false;
    qsizetype m_pageSize = 0;
    char m_salt[8] = {};
    std::uint32_t m_sum[2] = {0, 0};
};

} // namespace

JournalOwner InspectWriteAheadJournal(const QString& databasePath, int databaseFd) {
    const QString walPath = databasePath + QStringLiteral("-wal");
    if (!QFileInfo(walPath).isFile() || !QFileInfo(databasePath).isFile())
        return JournalOwner::kNone;
    QFile wal(walPath);
    if (!wal.open(QIODevice::ReadOnly))
        return JournalOwner::kNone;
    FrameReader frames(wal);
    if (!frames.ReadHeader())
        return JournalOwner::kNone;

    // The frames SQLite would apply: those up to the last commit frame. The marks of their
    // first-page frames, and the size of the first transaction.
    FrameReader::Frame first;
    if (!frames.Next(first))
        return JournalOwner::kNone;
    QList<QByteArray> marks;
    QList<QByteArray> uncommitted;
    int firstTransactionFrames = 0;
    int transactions = 0;
    for (FrameReader::Frame frame = first, next;; frame = next) {
        if (frame.page == 1)
            uncommitted << frame.data.mid(kSessionMarkOffset, 4);
        if (transactions == 0)
            ++firstTransactionFrames;
        if (frame.commit) {
            marks << uncommitted;
            uncommitted.clear();
            ++transactions;
        }
        if (!frames.Next(next))
            break;
    }
    if (transactions == 0)
        return JournalOwner::kNone; // never committed: SQLite reads none of it
    if (first.page != 1)
        return JournalOwner::kUnmarked;

    QByteArray page1;
    if (databaseFd >= 0) {
        page1.resize(frames.PageSize());
        const ssize_t n = ::pread(databaseFd, page1.data(), static_cast<size_t>(page1.size()), 0);
        page1.resize(n > 0 ? static_cast<qsizetype>(n) : 0);
    } else {
        QFile file(databasePath);
        if (!file.open(QIODevice::ReadOnly))
            return JournalOwner::kNone;
        page1 = file.read(frames.PageSize());
    }
    if (page1.size() < 100)
        return JournalOwner::kNone; // not a database SQLite can open either
    if (marks.contains(page1.mid(kSessionMarkOffset, 4)))
        return JournalOwner::kOwn;

    // None of the journal's marks. A journal that holds nothing but one mark, over the very page the
    // file has, is a session that ended while moving its mark in; anything more is another file's work.
    if (transactions == 1 && firstTransactionFrames == 1 && DifferOnlyInMark(page1, first.data))
        return JournalOwner::kMarkOnly;
    return JournalOwner::kForeign;
}

} // namespace db
