// Platform: the modeless connect dialog (host name and port). Opening
// returns false when the dialog cannot be created. pumpDialogs gives open
// dialogs their turn once per main-loop pass where the toolkit needs it.
#pragma once

bool openConnectDialog();
void pumpDialogs();
