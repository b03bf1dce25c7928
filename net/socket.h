// The socket layer under the connection: one TCP socket per program run.
// One implementation per platform: socket_win32.cpp (Winsock 1.1, readiness
// as window messages) and socket_posix.cpp (non-blocking socket polled by
// the main loop).
#pragma once
#include <cstdint>

// Winsock start-up errors that have a message of their own.
enum {
    SOCK_SYSNOTREADY = 10091, SOCK_VERNOTSUPPORTED = 10092,
    SOCK_EINPROGRESS = 10036, SOCK_EPROCLIM = 10067, SOCK_EFAULT = 10014,
};

// The window that receives socket notifications (Windows); unused elsewhere.
extern void* SocketNotifyWindow;

int sockStartup();                       // 0, or the start-up error code
void sockOpen();                         // create the stream socket
uint32_t sockParseAddress(const char* text);  // dotted IPv4, network order; 0xFFFFFFFF if none
bool sockLookup(const char* name, uint32_t* address);  // first IPv4 address, network order
bool sockConnect(uint32_t address, uint16_t port);     // blocking connect
void sockSelectEvents();                 // from now on non-blocking, events reported
int sockReceive(unsigned char* buffer, int size);       // > 0 bytes, 0 closed, < 0 nothing/error
int sockSend(const unsigned char* bytes, int length);   // bytes taken, or -1
void sockClose();
void sockCleanup();

// POSIX: looks at the socket once without waiting and delivers its read,
// first write-ready and close events through onSocketEvent. Windows: the
// events arrive as window messages and this does nothing.
void pollSocketEvents();
