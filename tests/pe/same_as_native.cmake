# Runs the runner natively and under Wine with the same arguments; both must
# print the same bytes and end with the same status.
#   -D RUNNER=<clavenet-sim> -D BUILD=<950|20|21> -D ARGUMENTS=<arguments>
separate_arguments(ARGUMENTS)
foreach(kind native pe)
    set(options)
    if(kind STREQUAL "pe")
        set(options --pe)
    endif()
    execute_process(
        COMMAND ${RUNNER} --build ${BUILD} ${options} ${ARGUMENTS}
        OUTPUT_VARIABLE ${kind}_trace
        ERROR_VARIABLE ${kind}_errors
        RESULT_VARIABLE ${kind}_status)
endforeach()
if(NOT native_trace STREQUAL pe_trace)
    set(native_file ${CMAKE_CURRENT_BINARY_DIR}/native-${BUILD}.trace)
    set(pe_file ${CMAKE_CURRENT_BINARY_DIR}/pe-${BUILD}.trace)
    file(WRITE ${native_file} "${native_trace}")
    file(WRITE ${pe_file} "${pe_trace}")
    execute_process(COMMAND diff -u ${native_file} ${pe_file})
    message(SEND_ERROR "the PE module's trace differs from the native one")
endif()
if(NOT native_errors STREQUAL pe_errors)
    message(SEND_ERROR "standard error differs:\nnative:\n${native_errors}\nPE:\n${pe_errors}")
endif()
if(NOT native_status STREQUAL pe_status)
    message(SEND_ERROR "exit status: native ${native_status}, PE ${pe_status}")
endif()
