// Feeds bytes through the interpreter from the program's start state and
// gives back what came out: the grid, the cursor, the replies and bells.
#pragma once
#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

Bytes bytes(const std::string& s);
extern std::vector<Bytes> Replies;
extern int Bells;

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void feed(const Bytes& b);
    void feed(const std::string& s) { feed(bytes(s)); }
    // The 80 cells of a row as text.
    static std::string row(int r);
    // The row with trailing spaces removed.
    static std::string text(int r);
};
