// From the loader to the endless screen loop: static initialisation, reset
// of the shared state, registration, the screen, the message callback.
#pragma once

#include <cstdint>
#include <new>

#include "platform/application_header.h"
#include "platform/kernel.h"
#include "platform/ui_engine.h"

// An object that lives in static storage but is built and destroyed only
// when the program says so: a module without a C runtime has nobody to run
// the compiler's own static constructors.
template <typename Object>
class StaticObject {
public:
    template <typename... Arguments>
    void Construct(Arguments... arguments) {
        new (storage_) Object(arguments...);
    }
    // The object is exactly an Object: its own destructor, not a virtual call.
    void Destroy() { Get()->Object::~Object(); }
    Object* Get() { return std::launder(reinterpret_cast<Object*>(storage_)); }
    Object* operator->() { return Get(); }

private:
    alignas(Object) unsigned char storage_[sizeof(Object)];
};

using StaticFunction = void (*)();
// Calls each function of the table in address order, skipping null entries.
void RunStaticFunctions(const StaticFunction* first, const StaticFunction* last);

extern StaticObject<UiApplication> appObject;
// 1 once the static initialisers have run.
extern std::int32_t staticsInitialised;

void AppMain();
