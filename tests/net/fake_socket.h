// A scripted socket layer for the connection tests: what the next calls
// return is set beforehand, and every call is logged in order.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct FakeSocket {
    bool startupFails = false;
    const char* startupProblem = nullptr;     // the message a failed start-up gives
    std::deque<bool> connectResults;          // one per sockConnect; false when empty
    bool lookupFinds = true;
    uint32_t lookupAddress = 0x0100007F;      // 127.0.0.1 in network order
    std::deque<std::vector<unsigned char>> incoming;  // one entry per receive
    std::deque<int> sendLimits;               // bytes each send takes; -1 fails
    std::vector<std::string> calls;           // "open", "connect 1.2.3.4:23", "lookup NAME", ...
    std::vector<std::vector<unsigned char>> sent;
};

extern FakeSocket Fake;
void resetFakeSocket();
