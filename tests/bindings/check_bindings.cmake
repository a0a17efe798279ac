# Compares the platform calls a build of the program refers to (kernel, UI
# engine, ribbon, options module, and any engine virtual table) with the
# list that build may bind to: one more or one less is a module that would
# not load, or a platform call gone missing.
#   -D NM=<nm> -D LIBRARY=<clavenet-program-BUILD archive> -D EXPECTED=<list>
execute_process(COMMAND ${NM} -C -u ${LIBRARY} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" lines "${symbols}")
set(bound)
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^ *U " "" name "${line}")
    if(name MATCHES "^(Ui|Rim|Comm|Ribbon|Options|vtable for|typeinfo for)")
        list(APPEND bound "${name}")
    endif()
endforeach()
list(REMOVE_DUPLICATES bound)
list(SORT bound)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT bound STREQUAL expected)
    set(extra ${bound})
    list(REMOVE_ITEM extra ${expected})
    set(missing ${expected})
    list(REMOVE_ITEM missing ${bound})
    string(REPLACE ";" "\n  " extra "${extra}")
    string(REPLACE ";" "\n  " missing "${missing}")
    message(FATAL_ERROR "bound but not in ${EXPECTED}:\n  ${extra}\nin ${EXPECTED} but not bound:\n  ${missing}")
endif()
