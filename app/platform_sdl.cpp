// The quit request and the bell with SDL; message boxes are FLTK windows
// (message_box_fltk.cpp).
#include <SDL.h>

#include <cmath>

#include "app/platform.h"
#include "app/platform_sdl.h"

namespace {

enum {
    BELL_RATE = 22050,
    BELL_SAMPLES = BELL_RATE / 10,   // 100 ms
    BELL_FADE_SAMPLES = BELL_RATE / 200,
};
constexpr double BELL_PITCH = 880.0;
constexpr double BELL_VOLUME = 6000.0;

SDL_AudioDeviceID BellDevice = 0;
bool BellUnavailable = false;
Sint16 BellTone[BELL_SAMPLES];

bool openBellDevice()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = BELL_RATE;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 512;
    BellDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (!BellDevice) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // A sine at 880 Hz, faded in and out so that it does not click.
    for (int i = 0; i < BELL_SAMPLES; ++i) {
        double envelope = 1.0;
        if (i < BELL_FADE_SAMPLES) envelope = static_cast<double>(i) / BELL_FADE_SAMPLES;
        if (BELL_SAMPLES - 1 - i < BELL_FADE_SAMPLES)
            envelope = static_cast<double>(BELL_SAMPLES - 1 - i) / BELL_FADE_SAMPLES;
        BellTone[i] = static_cast<Sint16>(
            BELL_VOLUME * envelope * std::sin(2.0 * M_PI * BELL_PITCH * i / BELL_RATE));
    }
    SDL_PauseAudioDevice(BellDevice, 0);
    return true;
}

}  // namespace

void requestQuit(int exitCode)
{
    // Queued behind the events already waiting, as a posted quit message
    // is; the main loop ends when it meets it.
    SDL_Event quit{};
    quit.type = SDL_USEREVENT;
    quit.user.code = QUIT_REQUEST_CODE;
    quit.user.data1 = nullptr;
    quit.user.data2 = nullptr;
    (void)exitCode;   // the program's result is 1 however the loop ends
    SDL_PushEvent(&quit);
}

void playBell()
{
    if (BellUnavailable) return;
    if (!BellDevice && !openBellDevice()) {
        BellUnavailable = true;
        return;
    }
    // A run of bells plays at most one tone behind the sounding one.
    if (SDL_GetQueuedAudioSize(BellDevice) > sizeof(BellTone)) return;
    SDL_QueueAudio(BellDevice, BellTone, sizeof(BellTone));
}
