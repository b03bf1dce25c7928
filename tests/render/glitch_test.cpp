// The glitch character of the rain view, drawn from the shared generator.
#include <gtest/gtest.h>

#include "render/rain.h"
#include "render/random.h"

namespace {

TEST(GlitchChar, NeverTheSpaceWhateverTheGeneratorState)
{
    for (uint32_t seed : {1u, 0u, 0xFFFFFFFFu, 1796591356u}) {
        seedRandom(seed);
        for (int i = 0; i < 20000; ++i) {
            pickGlitchChar();
            ASSERT_NE(GlitchChar, 32) << "seed " << seed << " pick " << i;
        }
    }
}

}  // namespace
