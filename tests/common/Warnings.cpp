#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace testwarnings {
namespace {

std::recursive_mutex g_mutex;
std::vector<AllowWarning*> g_guards;
CatchUnexpectedWarnings* g_catcher = nullptr;
QtMessageHandler g_previous = nullptr;

// What the test platform writes about itself, not about the program.
bool FromTestPlatform(const QString& text) {
    return text.startsWith(QLatin1String("This plugin does not support")) ||
           text.startsWith(QLatin1String("QStandardPaths: "));
}

void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const Verdict verdict = Judge(type, context.category, text);
    if ((verdict == Verdict::Passed || verdict == Verdict::Platform || verdict == Verdict::Unexpected) &&
        g_previous)
        g_previous(type, context, text);
}

} // namespace

Verdict Judge(QtMsgType type, const char* category, const QString& text) {
    if (type != QtWarningMsg && type != QtCriticalMsg)
        return Verdict::Passed;
    const std::lock_guard lock(g_mutex);
    // The innermost guard first.
    for (auto it = g_guards.rbegin(); it != g_guards.rend(); ++it)
        if (text.contains((*it)->m_pattern)) {
            ++(*it)->m_count;
            return Verdict::Expected;
        }
    if (FromTestPlatform(text))
        return Verdict::Platform;
    const QString line = QStringLiteral("[%1] %2").arg(QString::fromLatin1(category ? category : ""), text);
    if (g_catcher)
        g_catcher->m_texts << line;
    else
        ADD_FAILURE() << "unexpected warning " << line.toStdString();
    return Verdict::Unexpected;
}

void InstallHandler() {
    g_previous = qInstallMessageHandler(Handler);
}

AllowWarning::AllowWarning(QString pattern) : m_pattern(std::move(pattern)) {
    const std::lock_guard lock(g_mutex);
    g_guards.push_back(this);
}

AllowWarning::~AllowWarning() {
    const std::lock_guard lock(g_mutex);
    std::erase(g_guards, this);
}

int AllowWarning::Count() const {
    const std::lock_guard lock(g_mutex);
    return m_count;
}

ExpectWarning::~ExpectWarning() {
    if (Count() == 0)
        ADD_FAILURE() << "the expected warning \"" << Pattern().toStdString() << "\" never came";
}

CatchUnexpectedWarnings::CatchUnexpectedWarnings() {
    const std::lock_guard lock(g_mutex);
    m_outer = g_catcher;
    g_catcher = this;
}

CatchUnexpectedWarnings::~CatchUnexpectedWarnings() {
    const std::lock_guard lock(g_mutex);
    g_catcher = m_outer;
}

} // namespace testwarnings
