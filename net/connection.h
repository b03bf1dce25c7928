// The one telnet connection of a program run: start-up, name lookup and
// connect, socket events, receiving into the interpreter, negotiation
// replies and the queue of typed characters. Shared logic over the socket
// layer of socket.h.
#pragma once
#include <cstdint>

enum {
    RECEIVE_BLOCK_SIZE = 2048,
    OUT_QUEUE_SIZE = 256,
    HOST_NAME_SIZE = 256,
    // What the socket layer reports about the connection.
    SOCKET_OTHER = 0, SOCKET_READ, SOCKET_WRITE, SOCKET_CLOSE,
    DEFAULT_PORT = 23,
    // Read events served in one pass of the main loop at most (128 KiB):
    // a host that never pauses still leaves every pass its window
    // messages, its frame and its sending.
    READS_PER_PASS = 64,
};

extern char HostName[HOST_NAME_SIZE];   // NUL-terminated, from the connect dialog
extern uint32_t PortNumber;             // low 16 bits are the TCP port
extern unsigned char ReceiveBlock[RECEIVE_BLOCK_SIZE];
extern unsigned char OutQueue[OUT_QUEUE_SIZE];
extern int32_t outQueueLength;
extern bool writeReady;                 // set by the first write-ready event

// How the connection ends the program: a failure, or the host closing,
// shows `text` under `caption` (no text: nothing is shown) and asks the
// program to quit. Set by the front end; null ends nothing.
extern void (*ConnectionEndHook)(const char* text, const char* caption);

void connectToHost();
void onSocketEvent(int event);          // SOCKET_READ .. SOCKET_CLOSE
// A pass's socket events, at the start of every pass of the main loop: a
// new allowance of READS_PER_PASS reads, the read event put off by the last
// pass first, then, where the platform polls, what the socket has.
void takeSocketEvents();
bool readsLeftThisPass();
void sendReply(const unsigned char* bytes, int length);
void queueTypedChar(unsigned char c);   // a typed character; dropped when the queue is full
void sendQueued();
void disconnect();
