# The monitor itself: start-up wiring only, everything else is in the libraries.
add_executable(corvantelis ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
# The window icon is loaded by its resource name "Icon1".
set(corvantelis_windows_resources ${PROJECT_SOURCE_DIR}/ui/resources/corvantelis.rc)
set_property(GLOBAL APPEND PROPERTY CORVANTELIS_WINDOWS_RESOURCES ${corvantelis_windows_resources})
if(WIN32)
    target_sources(corvantelis PRIVATE ${corvantelis_windows_resources})
    set_target_properties(corvantelis PROPERTIES WIN32_EXECUTABLE ON)
endif()
target_link_libraries(corvantelis PRIVATE corvantelis_ui)
