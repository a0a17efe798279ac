# The three PE modules: the program's objects with the application header
# (and on OS 2.x the dependency records), no C runtime, bound to the platform
# modules of their generation (sim/pe) and nothing else. Each lands in
# pe/BUILD/ next to those modules and the loader.
set(CLAVENET_MODULE_950 clavenet)
set(CLAVENET_MODULE_20 clavenet20)
set(CLAVENET_MODULE_21 clavenet21)

set(module_layout ${PROJECT_SOURCE_DIR}/platform/modules/clavenet.ld)

# The records follow each other in the order they are written.
set_source_files_properties(platform/dependency_records.cpp PROPERTIES COMPILE_OPTIONS -fno-toplevel-reorder)

foreach(build IN LISTS CLAVENET_BUILDS)
    set(module ${CLAVENET_MODULE_${build}})
    add_library(${module} SHARED platform/application_header.cpp platform/module_runtime.cpp)
    if(build STREQUAL "950")
        target_sources(${module} PRIVATE platform/linked_list.cpp platform/modules/clavenet-950.def)
    else()
        target_sources(${module} PRIVATE platform/dependency_records.cpp platform/modules/clavenet-os2.def)
    endif()
    target_compile_options(${module} PRIVATE ${CLAVENET_PROGRAM_OPTIONS})
    target_link_libraries(${module} PRIVATE clavenet-program-${build} ${CLAVENET_PLATFORM_MODULES_${build}})
    # One preferred base for all three: the records, addresses and all, are
    # then the same bytes in both OS 2.x modules.
    target_link_options(${module} PRIVATE
        -nostdlib -nostartfiles -Wl,-e,_LibraryEntry@12 -Wl,--image-base,0x10000000 -s -Wl,--no-insert-timestamp
        -Wl,-T,${module_layout} -Wl,--orphan-handling=error)
    set_target_properties(${module} PROPERTIES
        LINK_DEPENDS ${module_layout}
        PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/pe/${build}
        ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/pe/${build}/lib)
endforeach()
