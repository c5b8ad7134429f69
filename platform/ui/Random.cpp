#include "platform/ui/Random.h"

#include <cstdint>

namespace ui {
namespace {
std::uint32_t g_state = 1;
std::function<int()> g_source;
} // namespace

void Srand(unsigned seed) {
    g_state = seed;
}

int Rand() {
    if (g_source)
        return g_source() & RAND_MAX_VALUE;
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & RAND_MAX_VALUE);
}

void SetRandomSource(std::function<int()> source) {
    g_source = std::move(source);
}

} // namespace ui
