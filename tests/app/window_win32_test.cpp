// The Windows program's window procedure, fed window messages directly:
// what each message means for the key state, the typed-character queue
// and the connection.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/dialog.h"
#include "resources/resource.h"
#include "app/menu.h"
#include "app/window_win32.h"
#include "net/connection.h"
#include "net/socket_win32.h"

namespace {

class WindowProcedure : public ::testing::Test {
protected:
    HWND window = nullptr;
    void SetUp() override
    {
        window = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        memset(KeyState, 0, sizeof KeyState);
        outQueueLength = 0;
        writeReady = false;
    }
    void TearDown() override { DestroyWindow(window); }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0)
    {
        return windowProc(window, message, wParam, lParam);
    }
};

TEST_F(WindowProcedure, KeysAreHeldUntilReleasedOrTheFocusGoes)
{
    EXPECT_EQ(send(WM_KEYDOWN, VK_END), 0);
    send(WM_KEYDOWN, VK_HOME);
    EXPECT_TRUE(KeyState[KEY_END] && KeyState[KEY_HOME]);
    send(WM_KEYUP, VK_HOME);
    EXPECT_TRUE(KeyState[KEY_END] && !KeyState[KEY_HOME]);
    // No key-up comes for a key held while another window takes the focus.
    send(WM_KILLFOCUS, 0);
    EXPECT_FALSE(KeyState[KEY_END]);
}

TEST_F(WindowProcedure, TypedCharactersAreQueuedAsTheyCome)
{
    for (WPARAM c : {WPARAM('a'), WPARAM('\r'), WPARAM(8), WPARAM(27), WPARAM(0xFF)})
        EXPECT_EQ(send(WM_CHAR, c), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(OutQueue), outQueueLength), "a\r\x08\x1b\xff\xff");
}

TEST_F(WindowProcedure, SocketNotificationsReachTheConnection)
{
    EXPECT_EQ(send(WM_SOCKET_EVENT, 0, MAKELPARAM(FD_WRITE, 0)), 0);
    EXPECT_TRUE(writeReady);
}

TEST_F(WindowProcedure, ClicksOutsideTheMenuPickNothing)
{
    ViewMode = VIEW_PERSPECTIVE;
    PickedItem = ITEM_NONE;
    EXPECT_EQ(send(WM_LBUTTONDOWN, 0, MAKELPARAM(100, 100)), 0);
    EXPECT_EQ(PickedItem, ITEM_NONE);
    ViewMode = VIEW_MENU;
}

TEST_F(WindowProcedure, TheConnectDialogOpensWithPort23AndNoHost)
{
    ASSERT_TRUE(openConnectDialog());
    HWND dialog = FindWindowA(nullptr, "Quorvish Telnet v" QUORVISH_VERSION);
    ASSERT_NE(dialog, nullptr);
    char text[32] = "x";
    GetDlgItemTextA(dialog, IDC_PORT, text, sizeof text);
    EXPECT_STREQ(text, "23");
    GetDlgItemTextA(dialog, IDC_HOSTNAME, text, sizeof text);
    EXPECT_STREQ(text, "");
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog)) << "Cancel closes the dialog";
}

}  // namespace
