#pragma once
// Reading a file in a child process. The libraries behind the workbook and Access readers trust
// the file: on a damaged one they may crash, loop without end or take memory without bound. So
// the reading runs in a forked child with a memory limit, which streams what it reads to the
// program through a pipe as tagged messages; whatever the child writes to its error output is
// kept as its complaints. A child that dies, runs out of memory or stops sending for a while
// ends the reading, and the program goes on.
//
// The child's side (ChildWriter and the work handed to RunInChild) may use only what is safe
// after a fork in a program with threads: the C library, memory allocation and the reading
// libraries, prepared beforehand where they load anything on first use. It ends with _exit.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

namespace importsrc {

// Messages in the child: a tag byte, then the fields. u32 is little-endian; a string is a u32
// length and the bytes, or 0xFFFFFFFF for a missing value; an f64 is the 8 bytes of a double.
// Three tags are common to every child:
//   'E' u32 reason, str detail   the file cannot be read (the reason is the reader's own)
//   'P'                          still reading: a long read says so now and then, so that it is
//                                not taken for a stalled one
//   'D'                          done
class ChildWriter {
public:
    explicit ChildWriter(int fd) : m_fd(fd) {}
    void Tag(char tag) { m_buffer.push_back(tag); }
    void U32(std::uint32_t v);
    void F64(double v);
    void Str(const char* s, size_t n);
    void Str(const char* s);
    void Str(const std::string& s) { Str(s.data(), s.size()); }
    void Missing() { U32(0xFFFFFFFFu); }
    // Room for `n` bytes more, written by the caller: a message of many fields at once.
    char* Reserve(size_t n);
    void Error(std::uint32_t reason, const std::string& detail = {});
    void Done() { Tag('D'); }
    // Says the child goes on, at once (with anything buffered).
    void Progress();
    // Sends what is buffered once it is large, or now when `force`.
    void Flush(bool force);

private:
    int m_fd;
    std::string m_buffer;
};

// The messages as they come in. Each reader returns false when the message is not complete yet;
// the caller then rewinds to the message's start and waits for more.
class ChildMessages {
public:
    void Append(const char* p, size_t n) { m_data.append(p, static_cast<qsizetype>(n)); }
    bool AtEnd() const { return m_pos >= m_data.size(); }
    void Compact();
    bool Byte(char* c);
    bool U32(std::uint32_t* v);
    bool F64(double* v);
    // A string, or a missing value as a null QByteArray.
    bool Str(QByteArray* s);
    // The next `n` bytes, in place (valid until more is appended).
    bool Bytes(const char** p, size_t n);
    qsizetype Position() const { return m_pos; }
    void Rewind(qsizetype pos) { m_pos = pos; }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

// How a child's reading ended.
struct ChildEnd {
    enum class How {
        Done,       // the child said it was done
        Reported,   // the child said the file cannot be read ('E')
        Died,       // the child ended without saying either: a crash, or a message out of place
        Stalled,    // the child sent nothing for the stall limit and was killed
        OutOfMemory // the child ran into its memory limit
    };
    How how = How::Died;
    std::uint32_t reason = 0; // Reported: the child's reason
    QString detail;           // Reported: the child's own words
    QString complaints;       // the child's error output, at most a few lines of it
    QString Describe() const; // for the log: how it ended, and any signal
    int signal = 0;           // Died: the signal that ended the child, if one did
};

// Runs `work` in a child and hands each message the child sends, other than 'E', 'P' and 'D', to
// `take` (its tag, and the messages positioned behind it; false: the message is not complete
// yet). An exception from `take` kills the child and passes on.
ChildEnd RunInChild(const std::function<void(ChildWriter&)>& work,
                    const std::function<bool(char, ChildMessages&)>& take);

// How long a child may go without sending anything, a progress message included, before it is
// taken as stuck (10 seconds; tests and the fuzzing tool shorten it), and how much memory it may
// take beyond the program's own (2 GiB; tests make it small).
void SetChildStallLimit(int milliseconds);
void SetChildMemoryLimit(unsigned long long bytes);
unsigned long long ChildMemoryLimit();

// The lines of a child's complaints as they are added to a message: "\n" and the lines, or
// nothing when there are none.
QString ComplaintsText(const ChildEnd& end);

// The number of children that ended each way since the program started, and the largest peak
// resident size one of them had, in KB (for the fuzzing tool and the benchmarks).
struct ChildCounts {
    unsigned long long done = 0, reported = 0, died = 0, stalled = 0, outOfMemory = 0;
    unsigned long long peakKb = 0;
};
ChildCounts CountsOfChildren();

} // namespace importsrc
