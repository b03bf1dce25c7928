// The Linux program's entry: the main window, then the main loop until the
// quit request. It reads no command line.
#include <malloc.h>

#include "app/main_loop.h"
#include "app/window.h"

int main(int, char**)
{
    // The GL driver allocates and frees a vertex buffer of about a megabyte
    // for every glyph it draws. With glibc's defaults the heap keeps giving
    // that memory back to the kernel (a freed block unmapped, the heap's
    // top trimmed) and faulting it in again on later draws, which costs as
    // much as the drawing. Keep big blocks in the heap and its top in place.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);

    if (!openMainWindow()) return 0;
    const int result = runMainLoop();
    closeMainWindow();
    return result;
}
