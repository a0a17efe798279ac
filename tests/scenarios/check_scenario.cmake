# Runs one scenario script and compares what the runner printed with what
# the script's expectation files say.
#   -D RUNNER=<clavenet-sim> -D BUILD=<950|20|21> -D NAME=<script name>
#   -D DIRECTORY=<folder of the script> [-D EXPECTED_EXIT=<status>]
#   -D ACTUAL_DIRECTORY=<folder> [-D RUNNER_OPTIONS=--pe]
# The expected trace is NAME.BUILD.trace where that exists, NAME.trace
# otherwise; the expected standard error NAME.stderr, or nothing.
execute_process(
    COMMAND ${RUNNER} --build ${BUILD} ${RUNNER_OPTIONS} ${NAME}.scn
    WORKING_DIRECTORY ${DIRECTORY}
    OUTPUT_VARIABLE trace
    ERROR_VARIABLE errors
    RESULT_VARIABLE status)

if(NOT DEFINED EXPECTED_EXIT)
    set(EXPECTED_EXIT 0)
endif()

function(compare what actual expected_file)
    file(READ ${expected_file} expected)
    if(NOT actual STREQUAL expected)
        get_filename_component(name ${expected_file} NAME)
        set(actual_file ${ACTUAL_DIRECTORY}/${name}.actual)
        file(MAKE_DIRECTORY ${ACTUAL_DIRECTORY})
        file(WRITE ${actual_file} "${actual}")
        execute_process(COMMAND diff -u ${expected_file} ${actual_file})
        message(SEND_ERROR "${what} differs from ${expected_file} (got ${actual_file})")
    endif()
endfunction()

set(expected_trace ${DIRECTORY}/${NAME}.${BUILD}.trace)
if(NOT EXISTS ${expected_trace})
    set(expected_trace ${DIRECTORY}/${NAME}.trace)
endif()
compare("the trace" "${trace}" ${expected_trace})
if(EXISTS ${DIRECTORY}/${NAME}.stderr)
    compare("standard error" "${errors}" ${DIRECTORY}/${NAME}.stderr)
elseif(NOT errors STREQUAL "")
    message(SEND_ERROR "unexpected output on standard error:\n${errors}")
endif()
if(NOT status STREQUAL EXPECTED_EXIT)
    message(SEND_ERROR "exit status ${status}, expected ${EXPECTED_EXIT}")
endif()
