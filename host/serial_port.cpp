#include "host/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/trace.h"
#include "platform/kernel.h"
#include "provider/received_bytes.h"

namespace host {

namespace {

struct SerialPort {
    std::string path;
    int descriptor = -1;
    provider::ReceivedBytes received;
    PortFailure failure{PortProblem::None, 0};
    bool modemLinesMissingTold = false;
};

SerialPort port;

struct BaudRate {
    std::int32_t baud;
    speed_t speed;
};

constexpr BaudRate baudRates[] = {
    {1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
};

int FailOpen(PortProblem problem, int error, int holder = 0) {
    port.failure = {problem, error, holder};
    if (port.descriptor >= 0) {
        close(port.descriptor);
        port.descriptor = -1;
    }
    return 0;
}

PortProblem ProblemOfOpen(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return PortProblem::NoSuchDevice;
    case EACCES:
    case EPERM: return PortProblem::PermissionDenied;
    case EBUSY: return PortProblem::InUse;
    default: return PortProblem::Other;
    }
}

// The process whose lock on `path` /proc/locks lists, as
// "1: FLOCK ADVISORY WRITE PID MAJOR:MINOR:INODE 0 EOF"; 0 if none.
int LockHolder(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return 0;
    }
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        int pid = 0;
        if (line.find("->") != std::string::npos || !(fields >> number >> kind >> mode >> access >> pid >> file)) {
            continue;
        }
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 && major == major(status.st_dev) &&
            minor == minor(status.st_dev) && inode == status.st_ino) {
            return pid;
        }
    }
    return 0;
}

// Raises or lowers modem lines; a port without them is told of once.
void SetModemLines(int lines, bool raised) {
    if (ioctl(port.descriptor, raised ? TIOCMBIS : TIOCMBIC, &lines) == 0) {
        return;
    }
    if ((errno == ENOTTY || errno == EINVAL) && !port.modemLinesMissingTold) {
        port.modemLinesMissingTold = true;
        std::fprintf(stderr,
                     "clavenet-attach: %s has no modem lines; using it without DTR and RTS (a keyboard that draws "
                     "its power from them stays off)\n",
                     port.path.c_str());
    }
}

// Raw 8N1 at `speed`, the modem's own lines ignored, reads that never wait;
// in one call right after the open, before a byte can arrive in cooked mode.
bool SetLine(speed_t speed) {
    termios line{};
    if (tcgetattr(port.descriptor, &line) != 0) {
        return false;
    }
    cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, speed);
    cfsetospeed(&line, speed);
    return tcsetattr(port.descriptor, TCSANOW, &line) == 0;
}

}  // namespace

void UseSerialDevice(const std::string& path) { port.path = path; }

PortFailure LastPortFailure() { return port.failure; }

int SerialDescriptor() { return port.descriptor; }

Reception ReceiveSerial(std::vector<std::uint8_t>& received) {
    received.clear();
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t count = read(port.descriptor, buffer, sizeof buffer);
        if (count > 0) {
            received.insert(received.end(), buffer, buffer + count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno == EAGAIN) {
            break;
        }
        // End of file, EIO and the like: the line is gone. What came before
        // still counts.
        if (received.empty()) {
            return Reception::HangUp;
        }
        break;
    }
    port.received.Add(received);
    return received.empty() ? Reception::Nothing : Reception::Bytes;
}

}  // namespace host

using host::port;

extern "C" {

int RIM_CALL CommOpenPort(std::int32_t baud, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits,
                          std::int32_t optionA, std::int32_t optionB) {
    host::TraceCall("CommOpenPort", host::TraceNumbers({baud, dataBits, parity, stopBits, optionA, optionB}));
    port.received.Clear();
    const auto* rate = std::find_if(std::begin(host::baudRates), std::end(host::baudRates),
                                    [baud](const host::BaudRate& rate) { return rate.baud == baud; });
    // Every keyboard runs 8N1; anything else is a call this port cannot honour.
    if (rate == std::end(host::baudRates) || dataBits != 8 || parity != 0 || stopBits != 1) {
        return host::FailOpen(host::PortProblem::Other, EINVAL);
    }
    port.descriptor = open(port.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port.descriptor < 0) {
        const int error = errno;
        const host::PortProblem problem = host::ProblemOfOpen(error);
        return host::FailOpen(problem, error, problem == host::PortProblem::InUse ? host::LockHolder(port.path) : 0);
    }
    if (flock(port.descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return host::FailOpen(error == EWOULDBLOCK ? host::PortProblem::InUse : host::PortProblem::Other, error,
                              host::LockHolder(port.path));
    }
    // Further opens fail (but root's): a terminal program cannot read the
    // keyboard's bytes away either.
    ioctl(port.descriptor, TIOCEXCL);
    if (!host::SetLine(rate->speed)) {
        const int error = errno;
        return host::FailOpen(error == ENOTTY || error == EINVAL ? host::PortProblem::NotATty : host::PortProblem::Other,
                              error);
    }
    port.failure = {host::PortProblem::None, 0};
    // The keyboards draw their power from DTR: up for as long as the port is
    // open, before any handshake on RTS.
    host::SetModemLines(TIOCM_DTR, true);
    return 1;
}

// The handheld's DSR is the line a keyboard is woken on: RTS on a PC adapter.
void RIM_CALL CommSetDsr(std::int32_t level) {
    host::TraceCall("CommSetDsr", host::TraceNumbers({level}));
    host::SetModemLines(TIOCM_RTS, level != 0);
}

int RIM_CALL CommReadChar() { return port.received.Take(); }

void RIM_CALL CommClosePort() {
    host::TraceCall("CommClosePort");
    if (port.descriptor >= 0) {
        close(port.descriptor);
        port.descriptor = -1;
    }
    port.received.Clear();
}

}  // extern "C"
