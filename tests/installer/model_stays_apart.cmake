# Fails when a file of the installer's model includes a front end's header (terminal/, script/,
# the program's own files or any other installer folder but model/ and the rooms that never
# draw: install/, pack/, words/) or a screen or window library.
# Run as: cmake -DMODEL_DIR=<installer/model> -P model_stays_apart.cmake
if(NOT IS_DIRECTORY "${MODEL_DIR}")
    message(FATAL_ERROR "no model folder at '${MODEL_DIR}'")
endif()
file(GLOB_RECURSE sources "${MODEL_DIR}/*.h" "${MODEL_DIR}/*.cpp")
if(NOT sources)
    message(FATAL_ERROR "no sources in ${MODEL_DIR}")
endif()
set(found "")
foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
        if(line MATCHES "[<\"]installer/" AND NOT line MATCHES "[<\"]installer/(model|install|pack|words)/")
            string(APPEND found "\n  ${source}: ${line}")
        elseif(line MATCHES "[<\"/](n?curses(w)?|term|panel|menu|form)\\.h[>\"]"
               OR line MATCHES "[<\"]ncursesw?/"
               OR line MATCHES "[<\"]Qt[A-Za-z]*/?"
               OR line MATCHES "[<\"](gtk|X11|wayland)")
            string(APPEND found "\n  ${source}: ${line}")
        endif()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "the installer's model must not include a front end or a screen library:${found}")
endif()
list(LENGTH sources count)
message(STATUS "installer model: ${count} files, none includes a front end")
