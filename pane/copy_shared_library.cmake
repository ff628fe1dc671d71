# Copies a built shared library into a folder with the names the loader and the linker use:
# the real file (libx.so.1.0.0), the soname link (libx.so.1) and the linker name (libx.so),
# links pointing at the real file. Names that are equal to the real file's are not linked.
# A library that carries a search path gets "$ORIGIN" instead: the build's own folders mean
# nothing once the bundle is installed, and its neighbours in the folder are what it needs.
#
#   cmake -DLIBRARY=<real file> -DSONAME=<soname> -DLINKER_NAME=<linker name>
#         -DDESTINATION=<folder> -DSTAMP=<file> -P copy_shared_library.cmake
foreach(var LIBRARY SONAME LINKER_NAME DESTINATION STAMP)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "copy_shared_library.cmake: ${var} is not set")
    endif()
endforeach()

get_filename_component(real_name "${LIBRARY}" NAME)
file(MAKE_DIRECTORY "${DESTINATION}")
# Remove first: a link left by an earlier build must not be written through.
file(REMOVE "${DESTINATION}/${real_name}")
file(COPY "${LIBRARY}" DESTINATION "${DESTINATION}" FILE_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(READ_ELF "${DESTINATION}/${real_name}" RUNPATH runpath RPATH rpath)
if(runpath OR rpath)
    file(RPATH_SET FILE "${DESTINATION}/${real_name}" NEW_RPATH "$ORIGIN")
endif()
foreach(link_name IN ITEMS "${SONAME}" "${LINKER_NAME}")
    if(link_name AND NOT link_name STREQUAL real_name)
        file(REMOVE "${DESTINATION}/${link_name}")
        file(CREATE_LINK "${real_name}" "${DESTINATION}/${link_name}" SYMBOLIC)
    endif()
endforeach()
get_filename_component(stamp_dir "${STAMP}" DIRECTORY)
file(MAKE_DIRECTORY "${stamp_dir}")
file(TOUCH "${STAMP}")
