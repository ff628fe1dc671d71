# The installer's rooms depend one way: the prevention headers (installer/model/model_room.h,
# installer/install/install_room.h) stop the build of a model file that reaches a front end or
# a screen library, and of an install file that reaches the model. Each probe below is one
# translation unit compiled on its own; the guarded ones must fail with the guard's message,
# the sound ones must compile, so the guards neither sleep nor fire at everything.
# Run as: cmake -DCXX=<compiler> -DSOURCE=<project> -DWORK=<folder> -P rooms_one_way.cmake
foreach(var CXX SOURCE WORK)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "rooms_one_way.cmake: ${var} is not set")
    endif()
endforeach()
file(MAKE_DIRECTORY ${WORK})

# probe(NAME "HEADER;GUARD" EXPECTED): EXPECTED is the guard's message, or "" to compile.
function(probe name includes expected)
    set(text "")
    foreach(header ${includes})
        string(APPEND text "#include ${header}\n")
    endforeach()
    file(WRITE ${WORK}/${name}.cpp "${text}")
    execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${SOURCE} ${WORK}/${name}.cpp
                    RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
    if(expected STREQUAL "")
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "${name}: should compile, but:\n${errors}")
        endif()
    elseif(result EQUAL 0 OR NOT errors MATCHES "${expected}")
        message(FATAL_ERROR "${name}: the guard did not stop it (${result}):\n${errors}")
    endif()
endfunction()

set(model_guard "\"installer/model/model_room.h\"")
set(install_guard "\"installer/install/install_room.h\"")
probe(model_alone "\"installer/model/exit_code.h\";${model_guard}" "")
probe(model_reaches_a_front_end "\"installer/text/character_width.h\";${model_guard}"
      "must not include a front end")
probe(model_reaches_curses "<curses.h>;${model_guard}" "must not include a screen or window library")
probe(install_alone "\"installer/install/install_report.h\";${install_guard}" "")
probe(install_reaches_the_model "\"installer/model/exit_code.h\";${install_guard}"
      "must not include the installer's model")
probe(install_reaches_a_front_end "\"installer/text/character_width.h\";${install_guard}"
      "must not include the installer's model")
message(STATUS "installer rooms: the guards hold, one way")
