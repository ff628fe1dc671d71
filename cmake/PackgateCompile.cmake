# Compiler settings shared by every target of the project.

add_library(packgate_warnings INTERFACE)
target_compile_options(packgate_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align -Wformat=2)
if(PACKGATE_WERROR)
    target_compile_options(packgate_warnings INTERFACE -Werror)
endif()

if(PACKGATE_SANITIZE)
    add_compile_options(-fsanitize=${PACKGATE_SANITIZE} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${PACKGATE_SANITIZE})
endif()

# Shared libraries export only what is marked; everything else stays inside.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# GCC 12 with optimisation reports faults inside inlined std::string code that cannot happen:
# a memcpy overlap in append and assign (-Wrestrict, GCC bug 105329), and a string member of a
# temporary aggregate destroyed before it is set (-Wmaybe-uninitialized). A file that trips
# one turns off just that warning, and only under GCC:
#   packgate_gcc_false_positive(WARNING FILE...)
function(packgate_gcc_false_positive warning)
    # A file that moved would silently lose its exemption and break only the Release build.
    foreach(file ${ARGN})
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
            message(FATAL_ERROR "packgate_gcc_false_positive: no ${file} in ${CMAKE_CURRENT_SOURCE_DIR}")
        endif()
    endforeach()
    set_source_files_properties(${ARGN} PROPERTIES
        COMPILE_OPTIONS "$<$<CXX_COMPILER_ID:GNU>:-Wno-${warning}>")
endfunction()
