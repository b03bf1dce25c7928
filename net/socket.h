// The socket layer under the connection: one TCP socket per program run.
// One implementation per platform: socket_win32.cpp (Winsock 1.1, readiness
// as window messages) and socket_posix.cpp (non-blocking socket polled by
// the main loop).
#pragma once
#include <cstdint>

// Starts the socket layer. False when it cannot start; *message is then
// the platform's text for the reason, or null when it has none.
bool sockStartup(const char** message);
void sockOpen();                         // create the stream socket
uint32_t sockParseAddress(const char* text);  // dotted IPv4, network order; 0xFFFFFFFF if none
bool sockLookup(const char* name, uint32_t* address);  // first IPv4 address, network order
bool sockConnect(uint32_t address, uint16_t port);     // blocking connect
void sockSelectEvents();                 // from now on non-blocking, events reported
int sockReceive(unsigned char* buffer, int size);       // > 0 bytes, 0 closed, < 0 nothing/error
int sockSend(const unsigned char* bytes, int length);   // bytes taken, or -1
void sockClose();
void sockCleanup();

// Part of takeSocketEvents. POSIX: looks at the socket without waiting and
// delivers its first write-ready, its read events (as many as the pass
// allows) and its close through onSocketEvent. Windows: the events arrive
// as window messages (socket_win32.h) and this does nothing.
void pollSocketEvents();
