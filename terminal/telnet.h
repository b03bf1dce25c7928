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

// Where replies go (the connection's sendReply) and what rings the bell
// (the platform's alert sound). Either may be null: the output is dropped.
extern void (*ReplyHook)(const unsigned char* bytes, int length);
extern void (*BellHook)();

void interpretBlock(const unsigned char* block, int count);
void collectEscapeByte(unsigned char b);
void resetInterpreter();
