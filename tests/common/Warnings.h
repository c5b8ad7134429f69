#pragma once
// Every test executable fails the running test on a warning or critical message that nobody
// expected: a quietly handled failure always logs one line (the veltora.* categories), so an
// unexpected line is an unexpected failure. A test that provokes one says so with a guard:
//     ExpectWarning refused("refused"); // must come while the guard lives
//     AllowWarning printer("QPageSetupDialog"); // may come (depends on the machine)
// Lines that the test platform itself writes (the offscreen platform's missing features, an
// unset runtime directory) are let through.

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace testwarnings {

enum class Verdict {
    Passed,     // not a warning: printed as usual
    Expected,   // matched a guard
    Platform,   // written by the test platform: printed as usual
    Unexpected, // fails the running test (or is counted by a CatchUnexpectedWarnings)
};

// What the handler decides for one message (and does: counts it for a guard, fails the test).
Verdict Judge(QtMsgType type, const char* category, const QString& text);

// Installs the message handler; the test main calls it once, after the test framework is set up.
void InstallHandler();

class AllowWarning {
public:
    // Warnings whose text contains `pattern` are expected while this lives.
    explicit AllowWarning(QString pattern);
    virtual ~AllowWarning();
    AllowWarning(const AllowWarning&) = delete;
    AllowWarning& operator=(const AllowWarning&) = delete;

    // How many matching warnings came.
    int Count() const;
    const QString& Pattern() const { return m_pattern; }

private:
    friend Verdict Judge(QtMsgType, const char*, const QString&);
    QString m_pattern;
    int m_count = 0;
};

// An AllowWarning whose warning must come: the test fails when none has come by its end.
class ExpectWarning : public AllowWarning {
public:
    explicit ExpectWarning(QString pattern) : AllowWarning(std::move(pattern)) {}
    ~ExpectWarning() override;
};

// While alive, unexpected warnings are counted here instead of failing the test (to test the
// handler itself).
class CatchUnexpectedWarnings {
public:
    CatchUnexpectedWarnings();
    ~CatchUnexpectedWarnings();
    CatchUnexpectedWarnings(const CatchUnexpectedWarnings&) = delete;
    CatchUnexpectedWarnings& operator=(const CatchUnexpectedWarnings&) = delete;

    int Count() const { return int(m_texts.size()); }
    const QStringList& Texts() const { return m_texts; }

private:
    friend Verdict Judge(QtMsgType, const char*, const QString&);
    QStringList m_texts;
    CatchUnexpectedWarnings* m_outer;
};

} // namespace testwarnings

using testwarnings::AllowWarning;
using testwarnings::ExpectWarning;
