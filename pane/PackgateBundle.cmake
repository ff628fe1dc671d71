# Packgate.bundle in the build folder, laid out like a macOS plug-in bundle:
#   Contents/Info.plist               from resources/Info.plist
#   Contents/MacOS/Packgate           the plug-in module (target Packgate)
#   Contents/dylib/                   libpackgate_platform, libcipherkit, libhostmark and the
#                                     outside libraries libsetupnet and libmachinetag, with
#                                     their soname links
#   Contents/Resources/               SetupSRC.plist, PackgatePane.view, <lang>.lproj/
# Every file is copied by a build rule, so a changed input is copied again.

set(PACKGATE_BUNDLE_DIR ${PROJECT_BINARY_DIR}/Packgate.bundle CACHE INTERNAL
    "The assembled plug-in bundle in the build folder")
set(bundle_contents ${PACKGATE_BUNDLE_DIR}/Contents)
set(resources_dir ${PROJECT_SOURCE_DIR}/resources)

# The plug-in module: the pane and its entry point. It finds its libraries in ../dylib beside
# its own folder; a program that has loaded libpackgate_platform already shares its copy with
# the module (the loader matches the soname), so both see the same settings.
add_library(Packgate MODULE ${PROJECT_SOURCE_DIR}/pane/plugin_entry.cpp)
set_target_properties(Packgate PROPERTIES
    PREFIX ""
    SUFFIX ""
    OUTPUT_NAME Packgate
    LIBRARY_OUTPUT_DIRECTORY ${bundle_contents}/MacOS
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "$ORIGIN/../dylib"
    LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/Packgate.map)
target_include_directories(Packgate PRIVATE ${PROJECT_SOURCE_DIR})
# The pane calls neither library, yet the bundle must depend on both: --no-as-needed keeps
# them among the module's needed libraries.
target_link_options(Packgate PRIVATE
    LINKER:--no-as-needed
    LINKER:--no-undefined
    LINKER:--version-script=${CMAKE_CURRENT_SOURCE_DIR}/Packgate.map)
target_link_libraries(Packgate PRIVATE packgate_pane packgate_platform cipherkit hostmark
                      packgate_warnings)

# Info.plist: the template may hold @VARIABLES@ of the project.
configure_file(${resources_dir}/Info.plist ${CMAKE_CURRENT_BINARY_DIR}/Info.plist @ONLY)

set(bundle_outputs)
function(packgate_bundle_copy source destination)
    add_custom_command(OUTPUT ${destination}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${destination}
        DEPENDS ${source}
        COMMENT "Packgate.bundle: ${destination}"
        VERBATIM)
    set(bundle_outputs ${bundle_outputs} ${destination} PARENT_SCOPE)
endfunction()

packgate_bundle_copy(${CMAKE_CURRENT_BINARY_DIR}/Info.plist ${bundle_contents}/Info.plist)
file(GLOB bundle_resources CONFIGURE_DEPENDS RELATIVE ${resources_dir}
     ${resources_dir}/SetupSRC.plist
     ${resources_dir}/PackgatePane.view
     ${resources_dir}/*.lproj/*.strings)
foreach(resource ${bundle_resources})
    packgate_bundle_copy(${resources_dir}/${resource} ${bundle_contents}/Resources/${resource})
endforeach()

set(bundle_stamps ${CMAKE_CURRENT_BINARY_DIR}/bundle-stamps)
foreach(library packgate_platform cipherkit hostmark setupnet machinetag)
    set(stamp ${bundle_stamps}/${library}.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND}
            -DLIBRARY=$<TARGET_FILE:${library}>
            -DSONAME=$<TARGET_SONAME_FILE_NAME:${library}>
            -DLINKER_NAME=$<TARGET_LINKER_FILE_NAME:${library}>
            -DDESTINATION=${bundle_contents}/dylib
            -DSTAMP=${stamp}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/copy_shared_library.cmake
        DEPENDS ${library} ${CMAKE_CURRENT_SOURCE_DIR}/copy_shared_library.cmake
        COMMENT "Packgate.bundle: Contents/dylib/ ${library}"
        VERBATIM)
    list(APPEND bundle_outputs ${stamp})
endforeach()

add_custom_target(packgate_bundle ALL DEPENDS ${bundle_outputs})
# For what is built from the bundle elsewhere (the demo pack), so it is rebuilt when a file of
# the bundle changes.
set(PACKGATE_BUNDLE_OUTPUTS ${bundle_outputs} CACHE INTERNAL "The files of the assembled bundle")
add_dependencies(packgate_bundle Packgate)

install(DIRECTORY ${PACKGATE_BUNDLE_DIR}
    DESTINATION lib/packgate
    USE_SOURCE_PERMISSIONS
    COMPONENT installer)
