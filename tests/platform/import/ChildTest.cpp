// Reading in a child process: what the child sends arrives whole however much it is, what it
// writes to its error output comes back as complaints, and a child that crashes, hangs or runs
// into its memory limit ends as such while the program goes on.

#include "platform/import/Child.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using importsrc::ChildEnd;
using importsrc::ChildMessages;
using importsrc::ChildWriter;

// A child that sends `count` numbered strings of 1 KB each, one per message.
ChildEnd SendStrings(int count, std::vector<std::uint32_t>* received) {
    return importsrc::RunInChild(
        [count](ChildWriter& out) {
            std::fprintf(stderr, "first complaint\nfirst complaint\n\nsecond complaint\n");
            for (int i = 0; i < count; ++i) {
                out.Tag('S');
                out.U32(static_cast<std::uint32_t>(i));
                out.Str(std::string(1024, static_cast<char>('a' + i % 26)));
                out.Flush(false);
            }
            out.Done();
        },
        [received](char tag, ChildMessages& in) {
            std::uint32_t n = 0;
            QByteArray text;
            EXPECT_EQ(tag, 'S');
            if (!in.U32(&n) || !in.Str(&text))
                return false;
            EXPECT_EQ(text, QByteArray(1024, static_cast<char>('a' + n % 26)));
            received->push_back(n);
            return true;
        });
}

// Where a child keeps what it allocates, that the allocations are not left out.
void* volatile g_held = nullptr;

// A child whose messages, if any, never come whole.
ChildEnd RunAlone(const std::function<void(ChildWriter&)>& work) {
    return importsrc::RunInChild(work, [](char, ChildMessages&) { return false; });
}

class ChildTest : public ::testing::Test {
protected:
    void TearDown() override {
        importsrc::SetChildStallLimit(10000);
        importsrc::SetChildMemoryLimit(2ULL << 30);
    }
};

TEST_F(ChildTest, MessagesArriveWholeAndComplaintsComeBack) {
    // Far more than a pipe holds, in messages split across reads.
    std::vector<std::uint32_t> received;
    const ChildEnd end = SendStrings(3000, &received);
    EXPECT_EQ(end.how, ChildEnd::How::Done) << end.Describe().toStdString();
    ASSERT_EQ(received.size(), 3000u);
    for (std::uint32_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], i);
    // Repeated and empty lines are dropped.
    EXPECT_EQ(end.complaints, QStringLiteral("first complaint\nsecond complaint"));
    EXPECT_EQ(importsrc::ComplaintsText(end), QStringLiteral("\nfirst complaint\nsecond complaint"));

    const ChildEnd reported = RunAlone([](ChildWriter& out) {
        out.Error(7, "第3行");
        out.Flush(true);
        pause(); // what follows a report is not waited for
    });
    EXPECT_EQ(reported.how, ChildEnd::How::Reported);
    EXPECT_EQ(reported.reason, 7u);
    EXPECT_EQ(reported.detail, QStringLiteral("第3行"));
}

TEST_F(ChildTest, CrashHangAndMemoryLimitEndTheChildOnly) {
    const importsrc::ChildCounts before = importsrc::CountsOfChildren();

    const ChildEnd crashed = RunAlone([](ChildWriter& out) {
        out.Tag('X'); // half a message, then a crash
        out.Flush(true);
        std::fprintf(stderr, "about to fail\n");
        std::fflush(stderr);
        std::signal(SIGSEGV, SIG_DFL); // a sanitizer's handler would turn the crash into an abort
        raise(SIGSEGV);
    });
    EXPECT_EQ(crashed.how, ChildEnd::How::Died);
    EXPECT_EQ(crashed.signal, SIGSEGV);
    EXPECT_EQ(crashed.complaints, QStringLiteral("about to fail"));

    const ChildEnd ended = RunAlone([](ChildWriter&) { _exit(0); });
    EXPECT_EQ(ended.how, ChildEnd::How::Died) << "an end without 'D' is no success";

    importsrc::SetChildStallLimit(300);
    QElapsedTimer timer;
    timer.start();
    const ChildEnd hung = RunAlone([](ChildWriter&) {
        for (;;)
            pause();
    });
    EXPECT_EQ(hung.how, ChildEnd::How::Stalled);
    EXPECT_LT(timer.elapsed(), 5000);

    // A child that keeps sending is no stall, however long it takes.
    importsrc::SetChildStallLimit(200);
    const ChildEnd slow = importsrc::RunInChild(
        [](ChildWriter& out) {
            for (int i = 0; i < 6; ++i) {
                usleep(100000);
                out.Tag('S');
                out.Flush(true);
            }
            out.Done();
        },
        [](char, ChildMessages&) { return true; });
    EXPECT_EQ(slow.how, ChildEnd::How::Done);

    importsrc::SetChildStallLimit(10000);
    importsrc::SetChildMemoryLimit(64ULL << 20);
    const ChildEnd greedy = RunAlone([](ChildWriter& out) {
        std::vector<std::string> held;
        for (;;)
            held.emplace_back(16 << 20, 'x');
        out.Done();
    });
    EXPECT_EQ(greedy.how, ChildEnd::How::OutOfMemory) << greedy.Describe().toStdString();

    // A reader that rejects a message ends the child at once.
    EXPECT_THROW(importsrc::RunInChild(
                     [](ChildWriter& out) {
                         out.Tag('Q');
                         out.Flush(true);
                         for (;;)
                             pause();
                     },
                     [](char, ChildMessages&) -> bool { throw std::runtime_error("bad message"); }),
                 std::runtime_error);

    const importsrc::ChildCounts after = importsrc::CountsOfChildren();
    EXPECT_EQ(after.died - before.died, 2u);
    EXPECT_EQ(after.stalled - before.stalled, 1u);
    EXPECT_EQ(after.outOfMemory - before.outOfMemory, 1u);
}

// An allocator that fails at the child's cap says so and ends the child by a signal, as glib
// does: in its own words, or in the C library's for the error when a malloc of glib's own fails.
// Those last words tell the end, however much the child complained before them; the complaints
// kept are still its first lines.
TEST_F(ChildTest, AnAllocationFailureSaidLastIsOutOfMemory) {
    importsrc::SetChildMemoryLimit(64ULL << 20);
    importsrc::SetChildStallLimit(3000); // a sanitizer's allocator may hang after its words
    for (const bool glibWords : {true, false}) {
        SCOPED_TRACE(glibWords);
        const ChildEnd end = RunAlone([glibWords](ChildWriter&) {
            for (int i = 0; i < 20000; ++i)
                std::fprintf(stderr, "Warning: line %d of what the reader made of the file\n", i);
            for (void* block = std::malloc(1 << 20); block; block = std::malloc(1 << 20))
                g_held = block;
            if (glibWords) {
                std::fprintf(stderr, "GLib: gmem.c:136: failed to allocate 1048576 bytes\n");
                std::signal(SIGTRAP, SIG_DFL);
                raise(SIGTRAP);
            }
            std::fprintf(stderr,
                         "GLib (gthread-posix.c): Unexpected error from C library during 'malloc': %s.\n",
                         std::strerror(ENOMEM));
            std::signal(SIGABRT, SIG_DFL);
            std::abort();
        });
        EXPECT_EQ(end.how, ChildEnd::How::OutOfMemory) << end.Describe().toStdString();
        EXPECT_TRUE(end.complaints.startsWith(QLatin1String("Warning: line 0 ")))
            << end.complaints.toStdString();
    }
}

// A child that reads long before it has anything to send says it goes on, and is not taken for a
// stalled one however long that takes; one that says nothing is.
TEST_F(ChildTest, ProgressKeepsAQuietChildGoingAndIsNotHandedOn) {
    importsrc::SetChildStallLimit(300);
    std::vector<char> taken;
    const auto take = [&taken](char tag, ChildMessages&) {
        taken.push_back(tag);
        return true;
    };
    const ChildEnd reading = importsrc::RunInChild(
        [](ChildWriter& out) {
            for (int i = 0; i < 10; ++i) {
                usleep(100000);
                out.Progress();
            }
            out.Tag('S');
            out.Done();
        },
        take);
    EXPECT_EQ(reading.how, ChildEnd::How::Done) << reading.Describe().toStdString();
    EXPECT_EQ(taken, std::vector<char>{'S'});

    taken.clear();
    const ChildEnd silent = importsrc::RunInChild(
        [](ChildWriter& out) {
            usleep(1000000);
            out.Tag('S');
            out.Done();
        },
        take);
    EXPECT_EQ(silent.how, ChildEnd::How::Stalled);
    EXPECT_TRUE(taken.empty());
}

// The memory limit holds in a program with threads: the allocator keeps a heap reserved for the
// threads that allocated, and a child whose own heap can grow no more would go on in that one.
TEST_F(ChildTest, TheMemoryLimitHoldsBesideTheHeapsOfOtherThreads) {
    std::thread([] {
        std::vector<std::unique_ptr<char[]>> blocks;
        for (int i = 0; i < 16; ++i)
            blocks.emplace_back(new char[16 << 10]());
    }).join();
    importsrc::SetChildMemoryLimit(4ULL << 20);
    const ChildEnd greedy = RunAlone([](ChildWriter& out) {
        // 32 MB in small blocks, which come from a heap and not each from a mapping of its own.
        std::vector<std::unique_ptr<char[]>> held;
        held.reserve(1024);
        for (int i = 0; i < 1024; ++i) {
            held.emplace_back(new char[32 << 10]);
            std::memset(held.back().get(), 1, 32 << 10);
        }
        out.Done();
        out.Flush(true);
    });
    EXPECT_EQ(greedy.how, ChildEnd::How::OutOfMemory) << greedy.Describe().toStdString();
}

} // namespace
