#include "net/connection.h"
#include "net/socket.h"
#include "terminal/telnet.h"

#include <cstring>

char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;
unsigned char ReceiveBlock[RECEIVE_BLOCK_SIZE];
unsigned char OutQueue[OUT_QUEUE_SIZE];
int32_t outQueueLength = 0;
bool writeReady = false;

void (*ConnectionEndHook)(const char* text, const char* caption) = nullptr;

namespace {

bool socketLayerStarted = false;   // each start is ended by one disconnect
int readsThisPass = 0;
bool readPutOff = false;           // a read event beyond this pass's allowance

void fail(const char* text, const char* caption)
{
    if (ConnectionEndHook)
        ConnectionEndHook(text, caption);
}

// One receive per read event; the socket layer reports another event
// while data remain.
void onReadable()
{
    int count = sockReceive(ReceiveBlock, RECEIVE_BLOCK_SIZE);
    if (count > 0)
        interpretBlock(ReceiveBlock, count);
}

}  // namespace

// Starts the socket layer, resolves HostName and connects to PortNumber,
// then asks for the socket's events. Blocks until it is done; every
// failure is shown and ends the program through the quit request.
void connectToHost()
{
    const char* problem = nullptr;
    if (!sockStartup(&problem)) {
        fail(problem, "Winsock Init Error");
        return;
    }
    socketLayerStarted = true;
    sockOpen();
    const uint16_t port = static_cast<uint16_t>(PortNumber & 0xFFFF);
    bool connected = false;
    if (HostName[0] >= '0' && HostName[0] <= '9')
        connected = sockConnect(sockParseAddress(HostName), port);
    if (!connected) {
        uint32_t address = 0;
        if (!sockLookup(HostName, &address)) {
            fail("Error looking up host address!", "DNS Error");
            return;
        }
        if (!sockConnect(address, port))
            fail("Connection error!", "Error");
    }
    sockSelectEvents();
}

void onSocketEvent(int event)
{
    switch (event) {
    case SOCKET_READ:
        // Beyond the allowance the event is remembered, not served: with no
        // receive, Winsock posts no new read event, so the message pump
        // comes to an end and the frame is drawn.
        if (!readsLeftThisPass()) {
            readPutOff = true;
            break;
        }
        readsThisPass += 1;
        onReadable();
        break;
    case SOCKET_WRITE:
        writeReady = true;
        break;
    case SOCKET_CLOSE:
        fail("Disconnected!", "Error");
        break;
    default:
        break;
    }
}

void takeSocketEvents()
{
    readsThisPass = 0;
    if (readPutOff) {
        readPutOff = false;
        onSocketEvent(SOCKET_READ);
    }
    pollSocketEvents();
}

bool readsLeftThisPass()
{
    return readsThisPass < READS_PER_PASS;
}

void sendReply(const unsigned char* bytes, int length)
{
    sockSend(bytes, length);
}

// Characters typed while the queue is full are dropped: nothing is written
// past it, and what is queued keeps its order. A typed 255 (y diaeresis)
// is a data byte, which telnet doubles (IAC IAC); it is queued whole or,
// when only one place is left, not at all.
void queueTypedChar(unsigned char c)
{
    const int length = c == TELNET_IAC ? 2 : 1;
    if (outQueueLength + length > OUT_QUEUE_SIZE)
        return;
    for (int i = 0; i < length; ++i)
        OutQueue[outQueueLength++] = c;
}

// Sends everything queued in one send once the socket may write; an
// unsent rest moves to the front, a failed send leaves the queue as it is.
void sendQueued()
{
    if (!writeReady)
        return;
    int sent = sockSend(OutQueue, outQueueLength);
    if (sent <= 0)
        return;
    if (sent > outQueueLength)
        sent = outQueueLength;
    memmove(OutQueue, OutQueue + sent, static_cast<size_t>(outQueueLength - sent));
    outQueueLength -= sent;
}

void disconnect()
{
    sockClose();
    if (socketLayerStarted) sockCleanup();
    socketLayerStarted = false;
}
