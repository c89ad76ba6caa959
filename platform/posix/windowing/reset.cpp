// Clearing the whole platform: each module that keeps state forgets it, windows first, so that every
// control frees its own state as at the end of a program.
#include "platform/posix/windowing/reset.h"
#include "platform/posix/drawing/gdi.h"
#include "platform/posix/system/file.h"
#include "platform/posix/system/instance.h"
#include "platform/posix/system/registry.h"
#include "platform/posix/windowing/end_session.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/menu.h"
#include "platform/posix/windowing/message_loop.h"
#include "platform/posix/windowing/message_queue.h"
#include "platform/posix/windowing/overlay.h"
#include "platform/posix/windowing/paint.h"
#include "platform/posix/windowing/screen.h"
#include "platform/posix/windowing/window.h"

namespace posix {

void ResetPlatform() {
    DestroyAllWindows();
    ResetMessageQueue();
    ResetMessageLoop();
    ResetEndSession();
    ResetOverlays();
    InvalidateScreen();
    ResetWindows();
    ResetMenus();
    ResetKeyState();
    ResetFiles();
    ResetRegistry();
    ResetInstances();
    ResetGdi();
    ResetPaint();
    ResetCursor();
}

}  // namespace posix
