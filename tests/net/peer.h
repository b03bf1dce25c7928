// The far end of the socket tests, on 127.0.0.1 in the test's own process,
// and the event delivery of the platform: its socket calls are in
// peer_posix.cpp and peer_win32.cpp.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

void peerStartup();                          // once, before the first test
intptr_t peerListen(uint16_t* port);         // a listener at a port the system picks
uint16_t peerClosedPort();                   // a port where nothing listens
intptr_t peerAccept(intptr_t listener);      // the next connection; -1 when none comes
void peerSend(intptr_t peer, const std::string& bytes);
std::string peerReceive(intptr_t peer, size_t want);
void peerClose(intptr_t socket);

// Delivers the socket layer's events to the connection until done() holds;
// false when the time (20 seconds unless told) passes first.
bool deliverEventsUntil(const std::function<bool()>& done, int milliseconds = 20000);
