#include "tests/net/fake_socket.h"
#include "net/socket.h"

#include <cstdio>
#include <cstring>

FakeSocket Fake;

void resetFakeSocket() { Fake = FakeSocket(); }

static std::string dotted(uint32_t a)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&a);
    char text[32];
    snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

bool sockStartup(const char** message)
{
    Fake.calls.push_back("startup");
    *message = Fake.startupProblem;
    return !Fake.startupFails;
}

void sockOpen() { Fake.calls.push_back("open"); }

uint32_t sockParseAddress(const char* text)
{
    unsigned a, b, c, d;
    char rest;
    if (sscanf(text, "%u.%u.%u.%u%c", &a, &b, &c, &d, &rest) != 4)
        return 0xFFFFFFFFu;
    const unsigned char bytes[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                    static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
    uint32_t out;
    memcpy(&out, bytes, 4);
    return out;
}

bool sockLookup(const char* name, uint32_t* address)
{
    Fake.calls.push_back(std::string("lookup ") + name);
    if (Fake.lookupFinds)
        *address = Fake.lookupAddress;
    return Fake.lookupFinds;
}

bool sockConnect(uint32_t address, uint16_t port)
{
    Fake.calls.push_back("connect " + dotted(address) + ":" + std::to_string(port));
    if (Fake.connectResults.empty())
        return false;
    bool ok = Fake.connectResults.front();
    Fake.connectResults.pop_front();
    return ok;
}

void sockSelectEvents() { Fake.calls.push_back("select"); }

int sockReceive(unsigned char* buffer, int size)
{
    Fake.calls.push_back("receive " + std::to_string(size));
    if (Fake.incoming.empty())
        return -1;
    std::vector<unsigned char> data = Fake.incoming.front();
    Fake.incoming.pop_front();
    if (data.empty())
        return 0;
    int n = static_cast<int>(data.size()) < size ? static_cast<int>(data.size()) : size;
    memcpy(buffer, data.data(), static_cast<size_t>(n));
    return n;
}

int sockSend(const unsigned char* bytes, int length)
{
    int take = length;
    if (!Fake.sendLimits.empty()) {
        take = Fake.sendLimits.front();
        Fake.sendLimits.pop_front();
        if (take > length)
            take = length;
    }
    Fake.calls.push_back("send " + std::to_string(length));
    if (take < 0)
        return -1;
    Fake.sent.emplace_back(bytes, bytes + take);
    return take;
}

void sockClose() { Fake.calls.push_back("close"); }
void sockCleanup() { Fake.calls.push_back("cleanup"); }
void pollSocketEvents() {}
