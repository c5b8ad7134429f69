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
    for (int i = 0; i < 4; ++i)
        m_buffer.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
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

ChildEnd RunInChild(const std::function<void(ChildWriter&)>& work,
                    const std::function<bool(char, ChildMessages&)>& take) {
    ChildEnd end;
    int data[2];
    int complaints[2];
    if (pipe2(data, O_CLOEXEC) != 0) {
        Count(end.how);
        return end;
    }
    if (pipe2(complaints, O_CLOEXEC) != 0) {
        close(data[0]);
        close(data[1]);
        Count(end.how);
        return end;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(data[0]);
        close(complaints[0]);
        IsolateChild(complaints[1]);
        ChildWriter out(data[1]);
        work(out);
        out.Flush(true);
        _exit(0);
    }
    close(data[1]);
    close(complaints[1]);
    if (pid < 0) {
        close(data[0]);
        close(complaints[0]);
        Count(end.how);
        return end;
    }

    QByteArray complaintBytes;
    int status = 0;
    bool reaped = false;
    // Ends the child, whatever it is doing, and keeps the last of its complaints.
    const auto finish = [&] {
        ::kill(pid, SIGKILL);
        close(data[0]);
        // What the child wrote last; the write end closes when the child ends.
        char chunk[4096];
        for (;;) {
            const ssize_t n = read(complaints[0], chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            if (complaintBytes.size() < kComplaintBytes)
                complaintBytes.append(chunk, n);
        }
        close(complaints[0]);
        rusage usage{};
        while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        reaped = true;
        for (unsigned long long peak = g_counts.peakKb;
             static_cast<unsigned long long>(usage.ru_maxrss) > peak;)
            if (g_counts.peakKb.compare_exchange_weak(peak, static_cast<unsigned long long>(usage.ru_maxrss)))
                break;
    };

    using Clock = std::chrono::steady_clock;
    ChildMessages in;
    bool done = false;
    bool reported = false;
    bool stalled = false;
    bool dataOpen = true;
    bool complaintsOpen = true;
    auto deadline = Clock::now() + std::chrono::milliseconds(g_stallLimitMs.load());
    char chunk[65536];
    try {
        while (!done && !reported && dataOpen) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                stalled = true;
                break;
            }
            pollfd p[2] = {{data[0], POLLIN, 0}, {complaintsOpen ? complaints[0] : -1, POLLIN, 0}};
            const int ready = poll(p, 2, static_cast<int>(left));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                break;
            if (p[1].revents) {
                const ssize_t n = read(complaints[0], chunk, sizeof chunk);
                if (n > 0 && complaintBytes.size() < kComplaintBytes)
                    complaintBytes.append(chunk, n);
                if (n == 0 || (n < 0 && errno != EINTR))
                    complaintsOpen = false;
            }
            if (!p[0].revents)
                continue;
            const ssize_t n = read(data[0], chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                dataOpen = false; // the child ended (or died) without saying it was done
                break;
            }
            deadline = Clock::now() + std::chrono::milliseconds(g_stallLimitMs.load());
            in.Append(chunk, static_cast<size_t>(n));
            while (!in.AtEnd() && !done && !reported) {
                const qsizetype start = in.Position();
                char tag = 0;
                in.Byte(&tag);
                bool complete = true;
                if (tag == 'D') {
                    done = true;
                } else if (tag == 'E') {
                    QByteArray detail;
                    complete = in.U32(&end.reason) && in.Str(&detail);
                    if (complete) {
                        reported = true;
                        end.detail = QString::fromUtf8(detail);
                    }
                } else {
                    complete = take(tag, in);
                }
                if (!complete) {
                    in.Rewind(start);
                    break;
                }
            }
            in.Compact();
        }
    } catch (...) {
        finish();
        throw;
    }
    // A child that said it was done, or why it could not go on, has nothing more to say.
    finish();
    end.complaints = KeptComplaints(complaintBytes);
    if (done) {
        end.how = ChildEnd::How::Done;
    } else if (reported) {
        end.how = ChildEnd::How::Reported;
    } else if (stalled) {
        end.how = ChildEnd::How::Stalled;
    } else if (reaped && ((WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryExit) ||
                          end.complaints.contains(QLatin1String("failed to allocate")))) {
        end.how = ChildEnd::How::OutOfMemory;
    } else {
        end.how = ChildEnd::How::Died;
        if (reaped && WIFSIGNALED(status))
            end.signal = WTERMSIG(status);
    }
    if (end.how != ChildEnd::How::Done && end.how != ChildEnd::How::Reported)
        qCInfo(vlog::io) << "import reader" << end.Describe() << end.complaints;
    Count(end.how);
    return end;
}

void SetChildStallLimit(int milliseconds) {
    g_stallLimitMs = milliseconds;
}

void SetChildMemoryLimit(unsigned long long bytes) {
    g_memoryBytes = bytes;
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
