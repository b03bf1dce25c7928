// The program's one pseudo-random generator, the same on every platform:
// state = state * 214013 + 2531011 (mod 2^32), result bits 16 to 30 of the
// new state (0 to 32767). The state is 1 until seeded.
#pragma once
#include <cstdint>

extern uint32_t RandomState;

void seedRandom(uint32_t seed);
int nextRandom();
