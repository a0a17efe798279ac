// The serial port over termios: the keyboard's adapter, or anything else
// that is a tty. The program opens, reads and closes it through the
// platform's Comm calls; the host reads what arrived and sees why an open
// failed. An open port is held for this process alone (flock and TIOCEXCL),
// so a second instance cannot share the keystrokes. DTR, the keyboards'
// power, is raised while the port is open; the program's DSR is RTS, the
// line the Palm Portable wakes up on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// The device the next CommOpenPort opens.
void UseSerialDevice(const std::string& path);

enum class PortProblem {
    None,
    NoSuchDevice,
    NotATty,
    PermissionDenied,
    // Another program has the port (a second clavenet-attach, a terminal).
    InUse,
    Other,
};

struct PortFailure {
    PortProblem problem;
    int error;           // errno of the call that failed
    int holder = 0;      // InUse: the process that holds the port, 0 if not known
};
// Why the last CommOpenPort failed.
PortFailure LastPortFailure();

// The open port's descriptor, to wait on; -1 while it is closed.
int SerialDescriptor();

enum class Reception {
    Bytes,
    Nothing,
    // The adapter is gone (read gave end of file or EIO).
    HangUp,
};
// Takes every byte waiting at the port into `received` and queues them for
// CommReadChar.
Reception ReceiveSerial(std::vector<std::uint8_t>& received);

}  // namespace host
