#include "terminal/telnet.h"
#include "terminal/screen.h"

#include <cstring>

// The interpreter works in two layers, one byte at a time. The telnet
// layer takes IAC commands out of the stream whole (also when they are
// split between blocks) and hands every data byte to the terminal layer,
// which runs control characters and escape sequences and stores the rest.

unsigned char EscapeBuffer[ESCAPE_BUFFER_SIZE];
int32_t escapeLength = 0;
bool inEscape = false;

void (*ReplyHook)(const unsigned char* bytes, int length) = nullptr;
uint32_t BellCount = 0;

namespace {

// The control characters the terminal layer acts on.
enum : unsigned char {
    NUL = 0x00, BEL = 0x07, BS = 0x08, HT = 0x09, LF = 0x0A, CR = 0x0D, SO = 0x0E, SI = 0x0F,
    CAN = 0x18, SUB = 0x1A, ESC = 0x1B, DEL = 0x7F,
};

enum TelnetState {
    TELNET_DATA,        // ordinary data
    TELNET_COMMAND,     // after IAC
    TELNET_OPTION,      // after IAC WILL/WONT/DO/DONT, waiting for the option
    TELNET_SB_OPTION,   // after IAC SB, waiting for the option
    TELNET_SB_DATA,     // inside a subnegotiation
    TELNET_SB_IAC,      // IAC inside a subnegotiation
};

enum EscapeState {
    ESCAPE_START,       // after ESC: intermediates, then a final byte
    ESCAPE_CSI,         // after ESC [: parameters, then a final byte
    ESCAPE_OSC,         // after ESC ]: text up to BEL or ESC backslash
    ESCAPE_OSC_ESC,     // ESC inside an operating-system command
};

TelnetState telnetState = TELNET_DATA;
unsigned char telnetVerb = 0;
unsigned char subOption = 0;
EscapeState escapeState = ESCAPE_START;
bool escapeOverflow = false;

const unsigned char TERMINAL_TYPE_REPLY[] = {255, 250, 24, 0, 'V', 'T', '1', '0', '0', 255, 240};
// The host's screen as width and height, 16-bit big-endian numbers.
static_assert(SCREEN_COLUMNS < 256 && HOST_ROWS < 256, "the window size fits the low bytes");
const unsigned char WINDOW_SIZE_REPLY[] = {255, 250, 31, 0, SCREEN_COLUMNS, 0, HOST_ROWS, 255, 240};

void reply(const unsigned char* bytes, int length)
{
    if (ReplyHook)
        ReplyHook(bytes, length);
}

void replyOption(unsigned char verb, unsigned char option)
{
    const unsigned char bytes[3] = {TELNET_IAC, verb, option};
    reply(bytes, 3);
}

// Options the host may switch on at its side: echo (so that what the
// person types comes back) and suppress-go-ahead. Once agreed, a repeated
// WILL is not answered again, so that a host that acknowledges every reply
// cannot start a loop; a WONT withdraws the agreement.
bool HostOptionAgreed[256];

bool hostMayEnable(unsigned char option)
{
    return option == OPTION_ECHO || option == OPTION_SUPPRESS_GO_AHEAD;
}

// Option negotiation: take the host's echo and suppress-go-ahead, agree to
// the terminal type, the window size and the private option 199, refuse
// everything else. Every request but a repeated WILL for an agreed option
// is answered each time it arrives.
void negotiate(unsigned char verb, unsigned char option)
{
    switch (verb) {
    case TELNET_WILL:
        if (hostMayEnable(option)) {
            if (!HostOptionAgreed[option])
                replyOption(TELNET_DO, option);
            HostOptionAgreed[option] = true;
        } else {
            replyOption(option == OPTION_PRIVATE ? TELNET_WILL : TELNET_DONT, option);
        }
        break;
    case TELNET_WONT:
        HostOptionAgreed[option] = false;
        replyOption(TELNET_DONT, option);
        break;
    case TELNET_DO:
        if (option == OPTION_TERMINAL_TYPE) {
            replyOption(TELNET_WILL, option);
        } else if (option == OPTION_WINDOW_SIZE) {
            replyOption(TELNET_WILL, option);
            reply(WINDOW_SIZE_REPLY, sizeof WINDOW_SIZE_REPLY);
        } else {
            replyOption(TELNET_WONT, option);
        }
        break;
    case TELNET_DONT:
        replyOption(TELNET_WONT, option);
        break;
    }
}

void eraseCursorRow()
{
    memset(ScreenBuffer + cursorRow * SCREEN_COLUMNS, ' ', SCREEN_COLUMNS);
    cursorColumn = 0;
    wrapPending = false;
}

// Control characters act on the cursor; the ones without a meaning of
// their own are stored like printable bytes, except NUL, SO and SI, which
// are telnet padding and character-set shifts.
bool controlByte(unsigned char b)
{
    switch (b) {
    case NUL: case SO: case SI:
        return true;
    case BEL:
        BellCount += 1;
        return true;
    case BS:
        if (cursorColumn > 0)
            cursorColumn -= 1;
        wrapPending = false;
        return true;
    case HT: {
        int32_t next = 5 * (cursorColumn / 5 + 1);
        cursorColumn = next > SCREEN_COLUMNS - 1 ? SCREEN_COLUMNS - 1 : next;
        wrapPending = false;
        return true;
    }
    case LF:
        cursorRow += 1;
        wrapPending = false;
        checkScroll();
        return true;
    case CR:
        cursorColumn = 0;
        wrapPending = false;
        return true;
    default:
        return false;
    }
}

void startEscape()
{
    inEscape = true;
    escapeState = ESCAPE_START;
    escapeLength = 0;
    escapeOverflow = false;
}

void endEscape()
{
    inEscape = false;
    escapeLength = 0;
}

// ESC [ row ; column H. Missing or zero numbers mean 1; numbers beyond the
// host's screen are clamped to its columns and to the rows from its first
// to the grid's last (1..21).
void cursorPosition(const char* params)
{
    int32_t numbers[2] = {0, 0};
    int which = 0;
    for (const char* p = params; *p; ++p) {
        if (*p == ';') {
            if (++which > 1)
                break;
        } else if (*p >= '0' && *p <= '9') {
            if (numbers[which] < 10000)
                numbers[which] = numbers[which] * 10 + (*p - '0');
        } else {
            return;  // private or unknown parameters: not a cursor move
        }
    }
    const int32_t lastRow = SCREEN_ROWS - HOST_FIRST_ROW;
    int32_t row = numbers[0] < 1 ? 1 : (numbers[0] > lastRow ? lastRow : numbers[0]);
    int32_t column = numbers[1] < 1 ? 1 : (numbers[1] > SCREEN_COLUMNS ? SCREEN_COLUMNS : numbers[1]);
    cursorRow = row + (HOST_FIRST_ROW - 1);
    cursorColumn = column - 1;
    wrapPending = false;
}

void finishControlSequence()
{
    EscapeBuffer[escapeLength] = 0;
    const char* text = reinterpret_cast<const char*>(EscapeBuffer);
    char final = text[escapeLength - 1];
    if (final == 'H') {
        EscapeBuffer[escapeLength - 1] = 0;
        cursorPosition(text + 1);
    } else if (final == 'K' && strcmp(text, "[K") == 0) {
        if (cursorColumn < SCREEN_COLUMNS)
            memset(ScreenBuffer + cursorRow * SCREEN_COLUMNS + cursorColumn, ' ',
                   SCREEN_COLUMNS - cursorColumn);
        wrapPending = false;
    }
}

void terminalByte(unsigned char b);

// One byte of the escape sequence under way. Sequences end where a VT100
// ends them, so the text after an unknown sequence is never swallowed.
// Control characters inside a sequence still act (CAN and SUB cancel it,
// ESC starts a new one); a sequence longer than EscapeBuffer is consumed
// to its end and dropped.
void collectEscapeByte(unsigned char b)
{
    if (escapeState == ESCAPE_OSC || escapeState == ESCAPE_OSC_ESC) {
        if (b == BEL || (escapeState == ESCAPE_OSC_ESC && b == '\\')) {
            endEscape();
        } else if (escapeState == ESCAPE_OSC_ESC) {
            startEscape();          // ESC ended the string and starts a sequence
            collectEscapeByte(b);
        } else if (b == ESC) {
            escapeState = ESCAPE_OSC_ESC;
        } else if (b == CAN || b == SUB) {
            endEscape();
        }
        return;
    }
    if (b < 32) {
        if (b == ESC)
            startEscape();
        else if (b == CAN || b == SUB)
            endEscape();
        else
            controlByte(b);
        return;
    }
    if (b == DEL)
        return;
    if (b > 127) {                  // not part of any sequence: give it back
        endEscape();
        terminalByte(b);
        return;
    }
    if (escapeLength < ESCAPE_BUFFER_SIZE - 1)
        EscapeBuffer[escapeLength++] = b;
    else
        escapeOverflow = true;

    if (escapeState == ESCAPE_START) {
        if (b < 0x30)
            return;                 // intermediate byte
        if (escapeLength == 1 && b == '[') {
            escapeState = ESCAPE_CSI;
            return;
        }
        if (escapeLength == 1 && b == ']') {
            escapeState = ESCAPE_OSC;
            return;
        }
        endEscape();                // final byte: nothing else acts here
        return;
    }
    // Control sequence: parameters and intermediates up to a final byte.
    if (b < 0x40)
        return;
    if (!escapeOverflow)
        finishControlSequence();
    endEscape();
}

void terminalByte(unsigned char b)
{
    if (inEscape) {
        collectEscapeByte(b);
        return;
    }
    if (b == ESC) {
        startEscape();
        return;
    }
    if (!controlByte(b))
        putChar(b);
}

void telnetByte(unsigned char b)
{
    switch (telnetState) {
    case TELNET_DATA:
        if (b == TELNET_IAC)
            telnetState = TELNET_COMMAND;
        else
            terminalByte(b);
        return;
    case TELNET_COMMAND:
        telnetState = TELNET_DATA;
        if (b == TELNET_IAC) {
            terminalByte(TELNET_IAC);       // IAC IAC is a data byte 255
        } else if (b >= TELNET_WILL) {
            telnetVerb = b;
            telnetState = TELNET_OPTION;
        } else if (b == TELNET_SB) {
            telnetState = TELNET_SB_OPTION;
        } else if (b == TELNET_EL) {
            eraseCursorRow();
        } else if (b < TELNET_SE) {
            terminalByte(b);                // not a command: only the IAC is used up
        }
        return;                             // other commands (NOP, GA, ...) are dropped
    case TELNET_OPTION:
        telnetState = TELNET_DATA;
        negotiate(telnetVerb, b);
        return;
    case TELNET_SB_OPTION:
        subOption = b;
        telnetState = b == TELNET_IAC ? TELNET_SB_IAC : TELNET_SB_DATA;
        return;
    case TELNET_SB_DATA:
        if (b == TELNET_IAC)
            telnetState = TELNET_SB_IAC;
        return;
    case TELNET_SB_IAC:
        if (b == TELNET_SE) {
            telnetState = TELNET_DATA;
            if (subOption == OPTION_TERMINAL_TYPE)
                reply(TERMINAL_TYPE_REPLY, sizeof TERMINAL_TYPE_REPLY);
        } else if (b == TELNET_IAC) {
            telnetState = TELNET_SB_DATA;   // doubled 255 inside the subnegotiation
        } else {
            telnetState = TELNET_COMMAND;   // unterminated: take it as a new command
            telnetByte(b);
        }
        return;
    }
}

}  // namespace

void interpretBlock(const unsigned char* block, int count)
{
    for (int i = 0; i < count; ++i)
        telnetByte(block[i]);
}

void resetInterpreter()
{
    telnetState = TELNET_DATA;
    telnetVerb = 0;
    subOption = 0;
    memset(HostOptionAgreed, 0, sizeof HostOptionAgreed);
    memset(EscapeBuffer, 0, sizeof EscapeBuffer);
    escapeLength = 0;
    inEscape = false;
    escapeState = ESCAPE_START;
    escapeOverflow = false;
    BellCount = 0;
}
