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
