// Only the OS 2.x builds have this file: the 950 pager has no ribbon, and its
// module carries none of these application names.
#include "keyboards/flexis.h"
#include "platform/ribbon.h"

namespace {

struct HotKey {
    KeyCode code;
    const char* application;  // null: back to the ribbon itself
};

constexpr HotKey ribbonHotKeys[] = {
    {'1', "Address Book"},
    {'2', "Compose"},
    {'3', "Alarm"},
    {'4', "Options"},
    {'f', "Search Messages"},
    {'a', nullptr},
};

constexpr KeyCode PowerOffKey = '=';

}  // namespace

bool RunFlexisHotKey(KeyCode code) {
    if (code == PowerOffKey) {
        RimRequestPowerOff();
        return true;
    }
    for (const HotKey& hotKey : ribbonHotKeys) {
        if (hotKey.code == code) {
            if (hotKey.application != nullptr) {
                RibbonSelect(hotKey.application);
            }
            RibbonSwitch();
            return true;
        }
    }
    return false;
}
