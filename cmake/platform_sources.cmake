# corvantelis_platform_sources(TARGET WINDOWS file... POSIX file...)
# Adds the files of the platform being built to TARGET. The Windows files are also collected in
# the global property CORVANTELIS_WINDOWS_SOURCES (absolute paths), so a Linux build can still
# check that each of them compiles with a Windows cross compiler.
function(corvantelis_platform_sources target)
    cmake_parse_arguments(SIDE "" "" "WINDOWS;POSIX" ${ARGN})
    set(windows_files)
    foreach(file IN LISTS SIDE_WINDOWS)
        list(APPEND windows_files ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endforeach()
    set_property(GLOBAL APPEND PROPERTY CORVANTELIS_WINDOWS_SOURCES ${windows_files})
    if(WIN32)
        target_sources(${target} PRIVATE ${SIDE_WINDOWS})
    else()
        target_sources(${target} PRIVATE ${SIDE_POSIX})
    endif()
endfunction()
