// The modeless connect dialog on Windows, from dialog template 101.
#include "app/dialog.h"

#include <windows.h>

#include "net/connection.h"

bool openConnectDialog()
{
    return false;
}

void pumpDialogs()
{
}
