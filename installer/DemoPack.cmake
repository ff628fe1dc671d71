# Demo.pack in the build folder beside the program (build/installer/Demo.pack), the pack that
# `packgate-installer --demo` runs:
#   Contents/Info.plist               from resources/demo-pack/Info.plist
#   Contents/Plugins/Packgate.bundle  a copy of the built bundle, its links kept as links
#   Contents/Payload/                 the template files of resources/demo-pack/Payload
# A copy rather than a link to the bundle, so that the folder packs as a sound archive.
set(PACKGATE_DEMO_PACK_DIR ${CMAKE_CURRENT_BINARY_DIR}/Demo.pack CACHE INTERNAL
    "The assembled demo pack in the build folder")
set(demo_pack_source ${PROJECT_SOURCE_DIR}/resources/demo-pack)
file(GLOB_RECURSE demo_pack_inputs CONFIGURE_DEPENDS ${demo_pack_source}/*)
set(demo_pack_stamp ${CMAKE_CURRENT_BINARY_DIR}/demo-pack.stamp)
add_custom_command(OUTPUT ${demo_pack_stamp}
    COMMAND ${CMAKE_COMMAND}
        -DSOURCE=${demo_pack_source}
        -DBUNDLE=${PACKGATE_BUNDLE_DIR}
        -DDESTINATION=${PACKGATE_DEMO_PACK_DIR}
        -DSTAMP=${demo_pack_stamp}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/make_demo_pack.cmake
    DEPENDS ${demo_pack_inputs} ${PACKGATE_BUNDLE_OUTPUTS} Packgate packgate_bundle
            ${CMAKE_CURRENT_SOURCE_DIR}/make_demo_pack.cmake
    COMMENT "Demo.pack"
    VERBATIM)
add_custom_target(packgate_demo_pack ALL DEPENDS ${demo_pack_stamp})
add_dependencies(packgate_demo_pack packgate_bundle)

install(DIRECTORY ${PACKGATE_DEMO_PACK_DIR}
    DESTINATION lib/packgate
    USE_SOURCE_PERMISSIONS
    COMPONENT installer)
