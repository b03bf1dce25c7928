// The Windows program's window procedure fed window messages directly, and
// its connect dialog from the real template.
#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "app/dialog.h"
#include "app/window_win32.h"
#include "net/connection.h"
#include "resources/resource.h"

TEST(WindowProcedure, KeysAreHeldUntilReleasedOrTheFocusGoesAndTypedBytesAreQueued)
{
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const auto send = [&](UINT message, WPARAM wParam) { EXPECT_EQ(windowProc(window, message, wParam, 0), 0); };
    for (int key : {VK_END, VK_HOME, VK_PRIOR}) send(WM_KEYDOWN, key);
    send(WM_KEYUP, VK_HOME);
    EXPECT_TRUE(KeyState[KEY_END] && !KeyState[KEY_HOME]);
    send(WM_KILLFOCUS, 0);   // no key-up comes for a key held while another window takes the focus
    EXPECT_FALSE(KeyState[KEY_END]);
    for (unsigned char c : std::string("a\r\x08\x1b\xff")) send(WM_CHAR, c);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(OutQueue), outQueueLength), "a\r\x08\x1b\xff\xff") << "0xFF doubled";
}

TEST(ConnectDialog, OpensWithPort23AndStoresHostAndPortDigitsOnOkOnly)
{
    // The host set, the port typed into its emptied field (null: untouched), the button pressed.
    const struct { const char *host, *typed; int button; const char* storedHost; uint32_t storedPort; } cases[] = {
        {"h\x80st", nullptr, IDOK, "h\x80st", 23}, {"a.host", "8x0-1", IDOK, "a.host", 801},
        {"not.stored", "99", IDCANCEL, "a.host", 801},   // the row before's
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(openConnectDialog());
        HWND dialog = FindWindowA(nullptr, CONNECT_TITLE);
        EXPECT_EQ(GetDlgItemInt(dialog, IDC_PORT, nullptr, FALSE), 23u) << "opens with the telnet port";
        SetDlgItemTextA(dialog, IDC_HOSTNAME, c.host);
        if (c.typed) SetDlgItemTextA(dialog, IDC_PORT, "");
        for (const char* k = c.typed; k && *k; ++k) SendDlgItemMessageA(dialog, IDC_PORT, WM_CHAR, *k, 0);
        SendMessageA(dialog, WM_COMMAND, c.button, 0);
        EXPECT_TRUE(!IsWindow(dialog) && std::string(HostName) == c.storedHost && PortNumber == c.storedPort)
            << c.host << " stored as " << HostName << " : " << PortNumber;
    }
}

