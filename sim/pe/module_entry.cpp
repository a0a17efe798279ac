// The platform modules' own code: they only pass calls on to the simulated
// handheld, so there is nothing to do when they are loaded or unloaded.
extern "C" int __attribute__((stdcall)) ModuleEntry(void*, unsigned, void*) { return 1; }
