// The modeless connect dialog on Windows, built from dialog template 101.
// The main loop dispatches its messages like all others, without dialog
// keyboard navigation, so Tab, Enter and Escape have no dialog meaning.
#include "app/dialog.h"

#include <windows.h>

#include "net/connection.h"
#include "resources/resource.h"

namespace {

enum {
    HOST_COPY_LIMIT = 255,   // bytes including the NUL: at most 254 characters
};

// A modeless dialog is only hidden by EndDialog; destroy it so that a
// closed dialog leaves nothing behind.
void closeDialog(HWND dialog)
{
    DestroyWindow(dialog);
}

}  // namespace

INT_PTR CALLBACK connectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemInt(dialog, IDC_PORT, DEFAULT_PORT, FALSE);
        return TRUE;   // focus goes to the first tab stop, the OK button

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            GetDlgItemTextA(dialog, IDC_HOSTNAME, HostName, HOST_COPY_LIMIT);
            BOOL translated = FALSE;
            UINT port = GetDlgItemInt(dialog, IDC_PORT, &translated, FALSE);
            PortNumber = translated ? port : static_cast<uint32_t>(DEFAULT_PORT);
            closeDialog(dialog);
            return TRUE;
        }
        case IDCANCEL:
            closeDialog(dialog);
            return TRUE;
        default:
            return FALSE;
        }

    case WM_LBUTTONDOWN:
        // A press on the dialog's surface drags it, as a press on the caption would.
        PostMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return FALSE;

    default:
        return FALSE;
    }
}

bool openConnectDialog()
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_CONNECT),
                                     NULL, connectDialogProc, 0);
    if (dialog == NULL)
        return false;
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    SetFocus(dialog);
    return true;
}

void pumpDialogs()
{
    // The dialogs' messages arrive through the main loop's own message pump.
}
