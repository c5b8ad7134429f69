#include "platform/import/Child.h"

#include "platform/log/Log.h"

#include <QStringList>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace importsrc {
namespace {

std::atomic<int> g_stallLimitMs{10000};
std::atomic<unsigned long long> g_memoryBytes{2ULL << 30};

// What the child's cap limits, and the field of /proc/self/statm that says how much of it the
// program holds already: the data segment (the memory written to as it comes into use), data and
// stack in pages. A cap on the address space would not hold: room that is reserved already counts
// as taken, and the allocator grows into it without asking for more, such as the heap that
// AddressSanitizer reserves whole at start, or the heaps the allocator keeps reserved for the
// program's other threads (a child whose allocations find no room in its own heap goes on in
// those).
constexpr int kCappedResource = RLIMIT_DATA;
constexpr int kHeldField = 5;

// The exit status of a child whose allocation failed at its memory limit.
constexpr int kOutOfMemoryExit = 4;
// The exit status of a child whose program went away.
constexpr int kOrphanExit = 3;

// The complaints kept of a child: its first lines are the ones that say what went wrong.
constexpr qsizetype kComplaintBytes = 4096;
constexpr int kComplaintLines = 5;
constexpr int kComplaintLineChars = 200;

struct Counters {
    std::atomic<unsigned long long> done{0}, reported{0}, died{0}, stalled{0}, outOfMemory{0};
    std::atomic<unsigned long long> peakKb{0};
};
Counters g_counts;

void WriteAll(int fd, const char* p, size_t left) {
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(kOrphanExit);
        p += n;
        left -= static_cast<size_t>(n);
    }
}

[[noreturn]] void OutOfMemory() {
    _exit(kOutOfMemoryExit);
}

// In the child: limited, tied to the program, and with its standard streams going into the
// complaints pipe.
void IsolateChild(int complaintsFd) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(complaintsFd, STDOUT_FILENO);
    dup2(complaintsFd, STDERR_FILENO);
    close(complaintsFd);
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
        pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) + g_memoryBytes.load();
    const rlimit limit{bytes, bytes};
    setrlimit(kCappedResource, &limit);
    std::set_new_handler(OutOfMemory);
}

void Count(ChildEnd::How how) {
    switch (how) {
    case ChildEnd::How::Done:
        ++g_counts.done;
        break;
    case ChildEnd::How::Reported:
        ++g_counts.reported;
        break;
    case ChildEnd::How::Died:
        ++g_counts.died;
        break;
    case ChildEnd::How::Stalled:
        ++g_counts.stalled;
        break;
    case ChildEnd::How::OutOfMemory:
        ++g_counts.outOfMemory;
        break;
    }
}

// Whether a child's complaints say an allocation failed: glib's words, before it ends the child
// ("failed to allocate"; a sanitizer's allocator says the same), the C library's words for the
// error, which glib prints when a malloc of its own fails, or a sanitizer's words when a mapping
// of its own fails at the cap. The words may come after any
// amount of other complaints, and be split between two reads: the last bytes of each read are
// looked at again with the next.
class OutOfMemoryWords {
public:
    OutOfMemoryWords() : m_words{"failed to allocate", std::strerror(ENOMEM), "ERROR: Failed to mmap"} {}
    void Add(const char* p, ssize_t n) {
        m_seen.append(p, n);
        for (const QByteArray& words : m_words)
            m_said = m_said || m_seen.contains(words);
        if (m_seen.size() > kCarried)
            m_seen.remove(0, m_seen.size() - kCarried);
    }
    bool Said() const { return m_said; }

private:
    static constexpr qsizetype kCarried = 64; // longer than the longest words
    const QByteArray m_words[3];
    QByteArray m_seen;
    bool m_said = false;
};

QString KeptComplaints(const QByteArray& raw) {
    QStringList lines;
    for (const QByteArray& line : raw.split('\n')) {
        QString text = QString::fromUtf8(line).trimmed();
        if (text.isEmpty() || (!lines.isEmpty() && lines.last() == text.left(kComplaintLineChars)))
            continue;
        if (lines.size() == kComplaintLines)
            break;
        lines << text.left(kComplaintLineChars);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void ChildWriter::U32(std::uint32_t v) {
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                           static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
    m_buffer.append(bytes, 4);
}

char* ChildWriter::Reserve(size_t n) {
    const size_t at = m_buffer.size();
    m_buffer.resize(at + n);
    return m_buffer.data() + at;
}

void ChildWriter::F64(double v) {
    char bytes[8];
    std::memcpy(bytes, &v, 8);
    m_buffer.append(bytes, 8);
}

void ChildWriter::Str(const char* s, size_t n) {
    U32(static_cast<std::uint32_t>(n));
    m_buffer.append(s, n);
}

void ChildWriter::Str(const char* s) {
    Str(s, std::strlen(s));
}

void ChildWriter::Error(std::uint32_t reason, const std::string& detail) {
    Tag('E');
    U32(reason);
    Str(detail);
}

void ChildWriter::Progress() {
    Tag('P');
    Flush(true);
}

void ChildWriter::Flush(bool force) {
    if (!force && m_buffer.size() < 65536)
        return;
    WriteAll(m_fd, m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

void ChildMessages::Compact() {
    m_data.remove(0, m_pos);
    m_pos = 0;
}

bool ChildMessages::Byte(char* c) {
    if (m_pos + 1 > m_data.size())
        return false;
    *c = m_data.at(m_pos++);
    return true;
}

bool ChildMessages::U32(std::uint32_t* v) {
    if (m_pos + 4 > m_data.size())
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(m_data.constData() + m_pos);
    *v = b[0] | static_cast<std::uint32_t>(b[1]) << 8 | static_cast<std::uint32_t>(b[2]) << 16 |
         static_cast<std::uint32_t>(b[3]) << 24;
    m_pos += 4;
    return true;
}

bool ChildMessages::F64(double* v) {
    if (m_pos + 8 > m_data.size())
        return false;
    std::memcpy(v, m_data.constData() + m_pos, 8);
    m_pos += 8;
    return true;
}

bool ChildMessages::Bytes(const char** p, size_t n) {
    if (static_cast<size_t>(m_data.size() - m_pos) < n)
        return false;
    *p = m_data.constData() + m_pos;
    m_pos += static_cast<qsizetype>(n);
    return true;
}

bool ChildMessages::Str(QByteArray* s) {
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

QString ChildEnd::Describe() const {
    switch (how) {
    case How::Done:
        return QStringLiteral("done");
    case How::Reported:
        return QStringLiteral("reported %1 (%2)").arg(reason).arg(detail);
    case How::Died:
        return signal ? QStringLiteral("died of signal %1").arg(signal) : QStringLiteral("died");
    case How::Stalled:
        return QStringLiteral("stalled");
    case How::OutOfMemory:
        return QStringLiteral("ran out of memory");
    }
    return {};
}

namespace {

using Clock = std::chrono::steady_clock;

// The two pipes of a child: its messages and its complaints (each [0] read, [1] write).
struct Pipes {
    int data[2] = {-1, -1};
    int complaints[2] = {-1, -1};
};

bool OpenPipes(Pipes& p) {
    if (pipe2(p.data, O_CLOEXEC) != 0)
        return false;
    if (pipe2(p.complaints, O_CLOEXEC) == 0)
        return true;
    close(p.data[0]);
    close(p.data[1]);
    return false;
}

// Forks the child, which does the work and ends; the program keeps the read ends. -1: no child.
pid_t StartChild(Pipes& p, const std::function<void(ChildWriter&)>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        close(p.data[0]);
        close(p.complaints[0]);
        IsolateChild(p.complaints[1]);
        ChildWriter out(p.data[1]);
        work(out);
        out.Flush(true);
        _exit(0);
    }
    close(p.data[1]);
    close(p.complaints[1]);
    if (pid < 0) {
        close(p.data[0]);
        close(p.complaints[0]);
    }
    return pid;
}

void NotePeak(const rusage& usage) {
    const auto kb = static_cast<unsigned long long>(usage.ru_maxrss);
    for (unsigned long long peak = g_counts.peakKb; kb > peak;)
        if (g_counts.peakKb.compare_exchange_weak(peak, kb))
            break;
}

// The program's side of one child: reads what it sends until it is done, reports, goes silent
// for the stall limit or ends; then ends it and tells how it ended.
class ChildSession {
public:
    ChildSession(pid_t pid, const Pipes& p, const std::function<bool(char, ChildMessages&)>& take)
        : m_pid(pid), m_data(p.data[0]), m_complaints(p.complaints[0]), m_take(take) {}

    // Reads until the child is done, reports, stalls or ends; ends the child either way (an
    // exception from `take` included).
    void Listen(ChildEnd& end) {
        try {
            ReadUntilEnd(end);
        } catch (...) {
            Finish();
            throw;
        }
        // A child that said it was done, or why it could not go on, has nothing more to say.
        Finish();
    }

    // How it ended, once Listen has returned.
    void Judge(ChildEnd& end) const {
        end.complaints = KeptComplaints(m_complaintBytes);
        if (m_done) {
            end.how = ChildEnd::How::Done;
        } else if (m_reported) {
            end.how = ChildEnd::How::Reported;
        } else if ((m_reaped && WIFEXITED(m_status) && WEXITSTATUS(m_status) == kOutOfMemoryExit) ||
                   m_outOfMemoryWords.Said()) {
            // An allocator that says so in words ends the child by a signal, or a sanitizer's may
            // hang writing its report: the memory ran out all the same.
            end.how = ChildEnd::How::OutOfMemory;
        } else if (m_stalled) {
            end.how = ChildEnd::How::Stalled;
        } else {
            end.how = ChildEnd::How::Died;
            if (m_reaped && WIFSIGNALED(m_status))
                end.signal = WTERMSIG(m_status);
        }
    }

private:
    void RestartStallClock() { m_deadline = Clock::now() + std::chrono::milliseconds(g_stallLimitMs.load()); }

    void ReadUntilEnd(ChildEnd& end) {
        RestartStallClock();
        while (!m_done && !m_reported) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
            if (left <= 0) {
                m_stalled = true;
                return;
            }
            pollfd p[2] = {{m_data, POLLIN, 0}, {m_complaintsOpen ? m_complaints : -1, POLLIN, 0}};
            const int ready = poll(p, 2, static_cast<int>(left));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                return;
            if (p[1].revents)
                ReadComplaints();
            if (!p[0].revents)
                continue;
            const ssize_t n = read(m_data, m_chunk, sizeof m_chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return; // the child ended (or died) without saying it was done
            // Whatever the child sends, a progress message included, shows it is not stuck.
            RestartStallClock();
            m_in.Append(m_chunk, static_cast<size_t>(n));
            TakeMessages(end);
            // The time the program takes with the messages is none of the child's.
            RestartStallClock();
        }
    }

    void ReadComplaints() {
        const ssize_t n = read(m_complaints, m_chunk, sizeof m_chunk);
        if (n > 0)
            KeepComplaints(n);
        if (n == 0 || (n < 0 && errno != EINTR))
            m_complaintsOpen = false;
    }

    // Keeps the first bytes of the complaints, of `n` more in m_chunk, and watches all of them
    // for the words of a failed allocation.
    void KeepComplaints(ssize_t n) {
        if (m_complaintBytes.size() < kComplaintBytes)
            m_complaintBytes.append(m_chunk, n);
        m_outOfMemoryWords.Add(m_chunk, n);
    }

    // Hands on each whole message that has come; the rest waits for more.
    void TakeMessages(ChildEnd& end) {
        while (!m_in.AtEnd() && !m_done && !m_reported) {
            const qsizetype start = m_in.Position();
            char tag = 0;
            m_in.Byte(&tag);
            bool complete = true;
            if (tag == 'D') {
                m_done = true;
            } else if (tag == 'P') {
                // progress: nothing to take
            } else if (tag == 'E') {
                QByteArray detail;
                complete = m_in.U32(&end.reason) && m_in.Str(&detail);
                if (complete) {
                    m_reported = true;
                    end.detail = QString::fromUtf8(detail);
                }
            } else {
                complete = m_take(tag, m_in);
            }
            if (!complete) {
                m_in.Rewind(start);
                break;
            }
        }
        m_in.Compact();
    }

    // Ends the child, whatever it is doing, and keeps the last of its complaints.
    void Finish() {
        ::kill(m_pid, SIGKILL);
        close(m_data);
        // What the child wrote last; the write end closes when the child ends.
        for (;;) {
            const ssize_t n = read(m_complaints, m_chunk, sizeof m_chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            KeepComplaints(n);
        }
        close(m_complaints);
        rusage usage{};
        while (wait4(m_pid, &m_status, 0, &usage) < 0 && errno == EINTR) {
        }
        m_reaped = true;
        NotePeak(usage);
    }

    pid_t m_pid;
    int m_data;
    int m_complaints;
    const std::function<bool(char, ChildMessages&)>& m_take;
    ChildMessages m_in;
    QByteArray m_complaintBytes;
    OutOfMemoryWords m_outOfMemoryWords;
    Clock::time_point m_deadline;
    int m_status = 0;
    bool m_reaped = false;
    bool m_done = false;
    bool m_reported = false;
    bool m_stalled = false;
    bool m_complaintsOpen = true;
    char m_chunk[65536];
};

ChildEnd Ended(ChildEnd end) {
    if (end.how != ChildEnd::How::Done && end.how != ChildEnd::How::Reported)
        qCInfo(vlog::io) << "import reader" << end.Describe() << end.complaints;
    Count(end.how);
    return end;
}

} // namespace

ChildEnd RunInChild(const std::function<void(ChildWriter&)>& work,
                    const std::function<bool(char, ChildMessages&)>& take) {
    ChildEnd end;
    Pipes pipes;
    if (!OpenPipes(pipes))
        return Ended(end);
    const pid_t pid = StartChild(pipes, work);
    if (pid < 0)
        return Ended(end);
    ChildSession session(pid, pipes, take);
    session.Listen(end);
    session.Judge(end);
    return Ended(end);
}

void SetChildStallLimit(int milliseconds) {
    g_stallLimitMs = milliseconds;
}

void SetChildMemoryLimit(unsigned long long bytes) {
    g_memoryBytes = bytes;
}

unsigned long long ChildMemoryLimit() {
    return g_memoryBytes;
}

QString ComplaintsText(const ChildEnd& end) {
    return end.complaints.isEmpty() ? QString() : QLatin1Char('\n') + end.complaints;
}

ChildCounts CountsOfChildren() {
    ChildCounts c;
    c.done = g_counts.done;
    c.reported = g_counts.reported;
    c.died = g_counts.died;
    c.stalled = g_counts.stalled;
    c.outOfMemory = g_counts.outOfMemory;
    c.peakKb = g_counts.peakKb;
    return c;
}

} // namespace importsrc
