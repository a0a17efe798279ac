// Which of the three deliverables this source is being built as. Everything
// that differs between them hangs on `targetBuild`.
#pragma once

#include <cstdint>

#if !defined(CLAVENET_BUILD)
#error "CLAVENET_BUILD must be 950, 20 or 21"
#endif

enum class Build { Pager950, Os20, Os21 };

inline constexpr Build targetBuild = CLAVENET_BUILD == 950  ? Build::Pager950
                                     : CLAVENET_BUILD == 20 ? Build::Os20
                                                            : Build::Os21;

// The platform version the build is made for, as its application header
// gives it: major version in bits 8 to 15, minor in bits 0 to 7.
inline constexpr std::uint32_t platformVersion = targetBuild == Build::Pager950 ? 0x0104
                                                 : targetBuild == Build::Os20   ? 0x0200
                                                                                : 0x0201;

static_assert(CLAVENET_BUILD == 950 || CLAVENET_BUILD == 20 || CLAVENET_BUILD == 21,
              "CLAVENET_BUILD must be 950, 20 or 21");
