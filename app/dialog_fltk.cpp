// The modeless connect dialog on Linux.
#include "app/dialog.h"

bool openConnectDialog()
{
    return false;
}

void pumpDialogs()
{
}
