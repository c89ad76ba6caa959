// The end of the session: a hangup, a termination or an interrupt ends the program's session as a
// log-off does on Windows. The signal handler only records the signal and wakes the front end; the
// message loop then sends every top-level window WM_QUERYENDSESSION and WM_ENDSESSION, where the program
// keeps what must not be lost, and the front end ends the process.
#pragma once

namespace posix {

// Catches SIGHUP, SIGTERM and SIGINT from now on. A second signal while the session ends is only
// recorded again: it never cuts the end short.
void CatchEndSessionSignals();
// Asks for the end of the session as if signal had arrived (a front end whose input hung up).
void RequestEndSession(int signal);
// A descriptor that becomes readable when the end of the session is asked for (-1 before
// CatchEndSessionSignals), so that a front end waiting for input wakes up.
int EndSessionWakeFd();
// The signal that asked for the end of the session, or 0.
int PendingEndSessionSignal();
// Ends the session once, if it was asked for: the queries, the front end's SessionEnding, WM_ENDSESSION,
// then the front end's SessionEnded. True once the session has ended; the message loop then ends.
bool EndSessionIfAsked();

// Forgets the request and the ended session and gives the signals back their earlier handling.
void ResetEndSession();

}  // namespace posix
