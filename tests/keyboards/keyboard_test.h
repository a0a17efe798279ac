// A decoder on a freshly reset handheld: the port open, another application
// in front, all keyboard state as at start-up, an empty trace.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "keyboards/key_posting.h"
#include "keyboards/pocketop.h"
#include "sim/kernel.h"
#include "sim/trace.h"

using Decoder = void (*)();

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { StartAt(0); }

    // Resets everything with the tick counter standing at `tick`.
    void StartAt(std::uint32_t tick) {
        sim::ResetKernel(tick);
        keyRepeatState = {};
        LayerFlags = 0;
        ClearKeypadMessage();
        CommOpenPort(9600, 8, 0, 1, 1, 1);
        sim::ClearTrace();
    }

    // The keyboard sends `bytes` and `decoder` handles them; returns what the
    // handheld traced meanwhile.
    static std::vector<std::string> Send(Decoder decoder, const std::vector<std::uint8_t>& bytes) {
        sim::QueueSerial(bytes);
        decoder();
        return sim::TakeTrace();
    }

    // Routes RepeatTimer expiries to `decoder`, as the event router does for
    // the two keyboards that repeat by timer.
    static void RepeatWith(Decoder decoder) {
        repeatDecoder = decoder;
        RimRegisterMessageCallback(RepeatTimer, -1, &OnRepeatTimer);
        sim::ClearTrace();
    }

    static std::int32_t Status() { return KeypadMessage.data0; }

private:
    static inline Decoder repeatDecoder = nullptr;

    static int RIM_CALL OnRepeatTimer(OsMessage*) {
        repeatDecoder();
        return 1;
    }
};

// The trace line of a keypad message posted to the application in front.
inline std::string Posted(std::uint32_t tick, std::int32_t event, std::int32_t character, std::int32_t status,
                          std::int32_t admittedAt) {
    return std::to_string(tick) + " RimPostMessage app 2 " + std::to_string(event) + " " +
           std::to_string(character) + " 0 0 " + std::to_string(status) + " " + std::to_string(admittedAt);
}

// A character posted at `tick` and admitted at the same tick.
inline std::string PostedChar(std::uint32_t tick, std::int32_t character, std::int32_t status = 0) {
    return Posted(tick, KeyCharEvent, character, status, static_cast<std::int32_t>(tick));
}

// A character posted and admitted at the tick the clock stands at now.
inline std::string PostedCharNow(std::int32_t character, std::int32_t status = 0) {
    return PostedChar(sim::CurrentTick(), character, status);
}

using Trace = std::vector<std::string>;
