// Stands in for the rain view's start-up calls until the view exists.
#include "render/rain.h"
#include "render/random.h"

int32_t GlitchChar;
unsigned char RainText[RAIN_ROWS][RAIN_STRIDE];

void pickGlitchChar()
{
    do
        GlitchChar = nextRandom() % 96 + 32;
    while (GlitchChar == 32);
}

void initRain()
{
    for (int r = 0; r < RAIN_ROWS; ++r)
        for (int c = 0; c < RAIN_COLUMNS; ++c)
            RainText[r][c] = ' ';
}
