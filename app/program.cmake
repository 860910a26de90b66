# The monitor itself: start-up wiring only, everything else is in the libraries.
add_executable(corvantelis ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
if(WIN32)
    # The window icon is loaded by its resource name "Icon1".
    target_sources(corvantelis PRIVATE ${PROJECT_SOURCE_DIR}/ui/resources/corvantelis.rc)
    set_target_properties(corvantelis PROPERTIES WIN32_EXECUTABLE ON)
endif()
target_link_libraries(corvantelis PRIVATE corvantelis_ui)
