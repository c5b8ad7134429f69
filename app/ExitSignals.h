#pragma once
// The termination requests of the system (SIGTERM from the desktop ending the session or from
// kill, SIGINT from a terminal's Ctrl+C, SIGHUP from a closed terminal) end the program the way
// its exit command does, so that the database is closed cleanly and leaves no journal behind.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

class CExitSignals : public QObject {
public:
    // Installs the handlers; `onExit` runs on the user-interface thread, in the event loop, once
    // for each signal that arrives. One instance at a time.
    explicit CExitSignals(std::function<void()> onExit);
    ~CExitSignals() override;
    CExitSignals(const CExitSignals&) = delete;
    CExitSignals& operator=(const CExitSignals&) = delete;

    // True once a signal has arrived (and been handled), so that a caller that has not yet
    // entered the event loop knows not to.
    bool Received() const { return m_received; }

private:
    void OnActivated();

    std::function<void()> m_onExit;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_received = false;
};
