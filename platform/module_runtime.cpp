// The little a C runtime would give the compiler, for a module that has none.
#include <cstddef>

// The deleting destructors of classes with virtual destructors refer to
// these. Nothing in the module is ever allocated, so nothing is ever freed.
void operator delete(void*) noexcept {}
void operator delete(void* object, std::size_t) noexcept { ::operator delete(object); }
