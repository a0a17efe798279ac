# Refuses to test PE modules that the cross build would rebuild now: they
# would run yesterday's program, and a failure would blame the wrong side.
#   -D NINJA=<ninja> -D CROSS_BUILD=<the mingw-i686 build folder>
if(NOT EXISTS ${CROSS_BUILD}/build.ninja)
    message(FATAL_ERROR "No cross build in ${CROSS_BUILD}: build the PE modules first with\n"
                        "  cmake --preset mingw-i686 && cmake --build --preset mingw-i686")
endif()
execute_process(COMMAND ${NINJA} -C ${CROSS_BUILD} -n
                OUTPUT_VARIABLE plan ERROR_VARIABLE plan RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT plan MATCHES "no work to do")
    string(REGEX MATCHALL "\\[[0-9]+/[0-9]+\\] [^\n]*" steps "${plan}")
    list(SUBLIST steps 0 5 first_steps)
    list(JOIN first_steps "\n  " first_steps)
    message(FATAL_ERROR "The PE modules in ${CROSS_BUILD}/pe are older than their sources; the cross build "
                        "would do this first:\n  ${first_steps}\nRebuild them with\n"
                        "  cmake --build --preset mingw-i686\n(./dev test does it)")
endif()
