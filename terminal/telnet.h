// The telnet stream interpreter: turns each received block into changes of
// the ScreenBuffer and into negotiation replies. Plain logic; its two
// outputs that leave the terminal core go through the hooks below.
#pragma once
#include <cstdint>

enum {
    ESCAPE_BUFFER_SIZE = 80,
    TELNET_SE = 240, TELNET_EL = 248, TELNET_SB = 250, TELNET_WILL = 251,
    TELNET_WONT = 252, TELNET_DO = 253, TELNET_DONT = 254, TELNET_IAC = 255,
    OPTION_ECHO = 1, OPTION_SUPPRESS_GO_AHEAD = 3,
    OPTION_TERMINAL_TYPE = 24, OPTION_WINDOW_SIZE = 31, OPTION_PRIVATE = 199,
};

extern unsigned char EscapeBuffer[ESCAPE_BUFFER_SIZE];
extern int32_t escapeLength;
extern bool inEscape;

// Where replies go (the connection's sendReply). Null: they are dropped.
extern void (*ReplyHook)(const unsigned char* bytes, int length);
// BEL bytes received. The front end sounds the bell when the count has
// grown, at most once a frame, so that a host sending them by the thousand
// costs a sound per frame rather than one per byte.
extern uint32_t BellCount;

void interpretBlock(const unsigned char* block, int count);
void resetInterpreter();
