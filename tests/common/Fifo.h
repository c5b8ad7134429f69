#pragma once
// A FIFO for tests of code that must never wait on one. Should the code under test open it and wait
// for a writer after all, the guard opens the writing end every few seconds and closes it again:
// the reader then sees the end of the file, and the test fails instead of hanging.

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class FifoGuard {
public:
    explicit FifoGuard(const QString& path) : m_path(QFile::encodeName(path)) {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        if (m_made)
            m_watch = std::thread([this] { Watch(); });
    }
    ~FifoGuard() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_watch.joinable())
            m_watch.join();
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    bool Made() const { return m_made; }
    // True when a reader was found waiting on the FIFO and had to be let go. The watch holds the
    // lock while it lets a reader go, so the answer is never read half-way through.
    bool Released() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_released;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::seconds(3), [this] { return m_done; })) {
            // Succeeds only while somebody has the FIFO open for reading; the lock is still held.
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                m_released = true;
                ::close(fd);
            }
        }
    }

    QByteArray m_path;
    bool m_made = false;
    bool m_released = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_watch;
};
