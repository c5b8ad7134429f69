#include "platform/ui/Clock.h"

namespace ui {
namespace {
std::function<QDateTime()> g_source;
} // namespace

QDateTime CurrentDateTime() {
    return g_source ? g_source() : QDateTime::currentDateTime();
}

QDate CurrentDate() {
    return CurrentDateTime().date();
}

void SetClockSource(std::function<QDateTime()> source) {
    g_source = std::move(source);
}

} // namespace ui
