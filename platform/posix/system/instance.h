// Other instances: the rendezvous behind FindWindowW and SetForegroundWindow across processes of the
// same user, and the folder their run-time files share.
#pragma once

#include "platform/posix/base/utf16.h"

#include <string>

namespace posix {

// Announces that this process shows a top-level window of the class, so that others can find it.
void PublishWindowClass(const U16String &className);
void UnpublishWindowClass(const U16String &className);
// Another live process of this user that announced the class: its process id, or 0.
int FindRemoteWindowClass(const U16String &className);
// Asks that process to bring its window forward. False when it is gone.
bool AskRemoteToForeground(int pid);
// Whether this process has asked another to bring its window forward.
bool HandedForegroundToAnother();
// True once for each request from another process to come forward since the last call.
bool TakeForegroundRequest();
// A descriptor that becomes readable when such a request arrives, for a front end's wait; -1 if none.
int ForegroundRequestFd();
// The folder for this user's run-time files ($XDG_RUNTIME_DIR, or a private folder under /tmp).
std::string RuntimeDirectory();

// Withdraws this process's announcements and closes its named mutexes, so that a test starts clean.
void ResetInstances();

}  // namespace posix
