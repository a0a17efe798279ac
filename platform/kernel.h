// The handheld kernel's services as Clavenet calls them. The same
// declarations bind to the simulated handheld natively and, in the PE
// modules, to the kernel module's exports by name.
#pragma once

#include <cstdint>

// One calling convention in every build, so that a module built here binds
// to any kernel that follows it; the loader calls a module's library entry
// the way Windows-style loaders do. Arguments go on the stack, even where
// the program's own functions pass them in registers. (Spelt with
// underscores: the Windows headers define `cdecl` away.)
#if defined(__i386__)
#define RIM_CALL __attribute__((__cdecl__, __regparm__(0)))
#define RIM_LOADER_CALL __attribute__((__stdcall__, __regparm__(0)))
#else
#define RIM_CALL
#define RIM_LOADER_CALL
#endif

// The PE modules' own code calls the platform through the import table
// itself rather than through a jump stub a call.
#if defined(_WIN32) && defined(CLAVENET_PROGRAM)
#define RIM_IMPORT __declspec(dllimport)
#else
#define RIM_IMPORT
#endif

// The kernel's message record: seven signed 32-bit words.
struct OsMessage {
    std::int32_t device;
    std::int32_t event;
    std::int32_t subMessage;  // device 2: the character or key code
    std::int32_t reserved1;   // never read; 0 in every posted message
    std::int32_t reserved2;
    std::int32_t data0;
    std::int32_t data1;
};

// Every event number carries its device number in its high byte.
inline constexpr std::int32_t SystemDevice = 1;
inline constexpr std::int32_t KeypadDevice = 2;
inline constexpr std::int32_t IdleCheckDevice = 3;
inline constexpr std::int32_t TimerDevice = 4;
inline constexpr std::int32_t SerialDevice = 5;

inline constexpr std::int32_t ClearTestFieldEvent = 257;
inline constexpr std::int32_t CloseLinkEvent = 259;
inline constexpr std::int32_t IdleCheckEvent = 769;
inline constexpr std::int32_t SerialDataEvent = 1283;

// Timers are named by id; the id is also the event of their expiry.
inline constexpr std::int32_t RepeatTimer = 1025;
inline constexpr std::int32_t LinkTimer = 1026;

using TaskId = std::int32_t;
using MessageCallback = int(RIM_CALL*)(OsMessage* message);

extern "C" {
RIM_IMPORT int RIM_CALL RimGetMessage(OsMessage* message);
RIM_IMPORT int RIM_CALL RimPostMessage(TaskId task, OsMessage* message);
RIM_IMPORT TaskId RIM_CALL RimGetForegroundApp();  // 0: nobody in front
RIM_IMPORT std::int32_t RIM_CALL RimGetTicks();
RIM_IMPORT void RIM_CALL RimSetTimer(std::int32_t timer, std::int32_t interval, std::int32_t flag);
RIM_IMPORT void RIM_CALL RimSleep(std::int32_t units);
RIM_IMPORT void RIM_CALL RimTaskYield();
RIM_IMPORT void RIM_CALL RimRegisterMessageCallback(std::int32_t event, std::int32_t mask,
                                                    MessageCallback callback);
RIM_IMPORT void RIM_CALL RimGetDeviceInfo(std::uint8_t* record);  // 64 bytes
RIM_IMPORT void RIM_CALL RimRequestPowerOff();
RIM_IMPORT void RIM_CALL RimPagerSetup(std::uint32_t key, std::int32_t value);

RIM_IMPORT int RIM_CALL CommOpenPort(std::int32_t baud, std::int32_t dataBits, std::int32_t parity,
                                     std::int32_t stopBits, std::int32_t optionA, std::int32_t optionB);
RIM_IMPORT void RIM_CALL CommSetDsr(std::int32_t level);
RIM_IMPORT int RIM_CALL CommReadChar();  // 0..255, negative when no byte waits
RIM_IMPORT void RIM_CALL CommClosePort();
}

// Ticks that passed from `earlier` to `later`: the counter wraps at 2^32, so
// intervals are differences taken modulo 2^32 and read as signed.
constexpr std::int32_t TicksBetween(std::int32_t earlier, std::int32_t later) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(later) -
                                     static_cast<std::uint32_t>(earlier));
}
