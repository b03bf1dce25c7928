// What the SDL front end's pieces share: the user-event code of the quit
// request that requestQuit queues and the message pump ends on.
#pragma once

enum { QUIT_REQUEST_CODE = 0x5155 };
