#pragma once
// The random numbers of the Windows C runtime (srand/rand: a linear
// congruential generator with results 0..32767), with a seam for tests.

#include <functional>

namespace ui {

inline constexpr int RAND_MAX_VALUE = 0x7FFF;

void Srand(unsigned seed);
// 0..RAND_MAX_VALUE.
int Rand();

// Replaces the generator (an empty function restores the built-in one).
void SetRandomSource(std::function<int()> source);

} // namespace ui
