// The Linux program's entry: the main window, then the main loop until the
// quit request. It reads no command line.
#include <malloc.h>

#include "app/main_loop.h"
#include "app/window.h"

int main(int, char**)
{
    // The software GL driver allocates and frees big vertex buffers for its
    // draws (a row of text is one). With glibc's defaults the heap gives
    // them back to the kernel (a freed block unmapped, the heap's top
    // trimmed) and faults them in again on the next draws: a page that takes
    // a new line every frame is drawn at less than half the rate. Keep big
    // blocks in the heap and its top in place.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);

    if (!openMainWindow()) return 0;
    const int result = runMainLoop();
    closeMainWindow();
    return result;
}
