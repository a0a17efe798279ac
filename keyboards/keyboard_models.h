// Every keyboard model in one place, a row each in the order of the
// "Keyboard type:" field: what the screen and the tools call it, how its
// port is opened, its decoders, its byte protocol and its scan table. The
// program, the simulator, the Linux host, the bench and the tests all take
// the models from here.
//
// The rows are read at compile time only; at run time everyone reads the
// columns made from them below. So what the program does not use (the
// script names) never reaches the modules, and the simulated handheld,
// which under Wine is a module of its own, never refers to the decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "keyboards/byte_protocol.h"
#include "keyboards/flexis.h"
#include "keyboards/gotype.h"
#include "keyboards/happy_hacking.h"
#include "keyboards/key_codes.h"
#include "keyboards/palm_portable.h"
#include "keyboards/pocketop.h"

// The selected keyboard model: the index of the screen's choice field.
using KeyboardType = std::int32_t;

enum class AfterOpen : std::uint8_t {
    RaiseDsr,
    RaiseDsrClearLayers,
    // The Palm Portable wakes up on a pulse on DSR.
    PulseDsr,
};

struct LineSettings {
    std::int32_t baud;
    AfterOpen afterOpen;
};

using Decoder = void (*)();

struct KeyboardDecoders {
    Decoder serialData;
    Decoder repeatTimer;  // null: held keys do not repeat by timer
};

struct ScanTableEntries {
    const KeyCode* codes;
    std::size_t size;
};

template <std::size_t Size>
constexpr ScanTableEntries EntriesOf(const ScanTable<Size>& table) {
    return {table.codes, Size};
}

// Bytes a keyboard sends once it is awake: none known but the Palm
// Portable's.
struct WakeReply {
    const std::uint8_t* bytes;
    std::size_t size;
};

template <std::size_t Size>
constexpr WakeReply ReplyOf(const std::uint8_t (&bytes)[Size]) {
    return {bytes, Size};
}

struct KeyboardModel {
    const char* name;        // as the "Keyboard type:" field shows it
    const char* scriptName;  // as scripts and clavenet-attach --model name it
    LineSettings line;
    KeyboardDecoders decoders;
    ByteProtocol readByte;
    ScanTableEntries scanTable;
    WakeReply wakeReply;
};

// clang-format off
inline constexpr KeyboardModel keyboardModels[] = {
    {"Flexis",        "flexis",        {9600, AfterOpen::RaiseDsr},            {DecodeFlexis,       nullptr},            ReadFlexisByte,       EntriesOf(flexisScanTable),       {}},
    {"Pocketop",      "pocketop",      {9600, AfterOpen::RaiseDsrClearLayers}, {DecodePocketop,     DecodePocketop},     ReadPocketopByte,     EntriesOf(pocketopScanTable),     {}},
    {"GoType",        "gotype",        {2400, AfterOpen::RaiseDsr},            {DecodeGoType,       nullptr},            ReadGoTypeByte,       EntriesOf(goTypeScanTable),       {}},
    {"Happy Hacking", "happy-hacking", {4800, AfterOpen::RaiseDsr},            {DecodeHappyHacking, nullptr},            ReadHappyHackingByte, EntriesOf(happyHackingScanTable), {}},
    {"Palm Portable", "palm-portable", {9600, AfterOpen::PulseDsr},            {DecodePalmPortable, DecodePalmPortable}, ReadPalmPortableByte, EntriesOf(palmPortableScanTable), ReplyOf(palmPortableWakeReply)},
};
// clang-format on

inline constexpr KeyboardType KeyboardTypeCount = sizeof keyboardModels / sizeof keyboardModels[0];

// One field of every row, indexed by KeyboardType.
template <typename Field>
struct ModelColumn {
    Field rows[KeyboardTypeCount];

    constexpr const Field& operator[](KeyboardType type) const { return rows[type]; }
    constexpr const Field* begin() const { return rows; }
    constexpr const Field* end() const { return rows + KeyboardTypeCount; }
};

template <auto field>
constexpr auto MakeModelColumn() {
    ModelColumn<std::remove_cvref_t<decltype(keyboardModels[0].*field)>> column{};
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        column.rows[type] = keyboardModels[type].*field;
    }
    return column;
}

inline constexpr auto keyboardNames = MakeModelColumn<&KeyboardModel::name>();
inline constexpr auto keyboardScriptNames = MakeModelColumn<&KeyboardModel::scriptName>();
inline constexpr auto lineSettings = MakeModelColumn<&KeyboardModel::line>();
inline constexpr auto keyboardDecoders = MakeModelColumn<&KeyboardModel::decoders>();
inline constexpr auto byteProtocols = MakeModelColumn<&KeyboardModel::readByte>();
inline constexpr auto scanTables = MakeModelColumn<&KeyboardModel::scanTable>();
inline constexpr auto wakeReplies = MakeModelColumn<&KeyboardModel::wakeReply>();

constexpr bool SameName(const char* left, const char* right) {
    while (*left != '\0' && *left == *right) {
        ++left;
        ++right;
    }
    return *left == *right;
}

// The model that scripts and --model call `scriptName`; -1 for none.
constexpr KeyboardType KeyboardTypeNamed(const char* scriptName) {
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        if (SameName(keyboardScriptNames[type], scriptName)) {
            return type;
        }
    }
    return -1;
}

inline constexpr KeyboardType FlexisKeyboard = KeyboardTypeNamed("flexis");
inline constexpr KeyboardType PocketopKeyboard = KeyboardTypeNamed("pocketop");
inline constexpr KeyboardType GoTypeKeyboard = KeyboardTypeNamed("gotype");
inline constexpr KeyboardType HappyHackingKeyboard = KeyboardTypeNamed("happy-hacking");
inline constexpr KeyboardType PalmPortableKeyboard = KeyboardTypeNamed("palm-portable");

// The model whose scan table `codes` is.
constexpr KeyboardType KeyboardTypeWithScanTable(const KeyCode* codes) {
    for (KeyboardType type = 0; type < KeyboardTypeCount; ++type) {
        if (scanTables[type].codes == codes) {
            return type;
        }
    }
    return -1;
}

// The choice field's list: the names in KeyboardType order with an empty
// entry after the first, which the engine shows its own way and which is
// no model, then the end marker.
struct KeyboardTypeNameList {
    const char* names[KeyboardTypeCount + 2];
};

constexpr KeyboardTypeNameList MakeKeyboardTypeNameList() {
    KeyboardTypeNameList list{};
    list.names[0] = keyboardNames[0];
    list.names[1] = "";
    for (KeyboardType type = 1; type < KeyboardTypeCount; ++type) {
        list.names[type + 1] = keyboardNames[type];
    }
    list.names[KeyboardTypeCount + 1] = nullptr;
    return list;
}
