#include "random.h"

uint32_t RandomState = 1;

void seedRandom(uint32_t seed) { RandomState = seed; }

int nextRandom()
{
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int>((RandomState >> 16) & 0x7FFF);
}
