# Demo.pack in the build folder beside the program (build/installer/Demo.pack), the pack that
# `packgate-installer --demo` runs:
#   Contents/Info.plist               from resources/demo-pack/Info.plist
#   Contents/Plugins/Packgate.bundle  a copy of the built bundle, its links kept as links
#   Contents/Payload/                 the template files of resources/demo-pack/Payload
#   Contents/Signature/               its manifest and signature, by the demo key
# A copy rather than a link to the bundle, so that the folder packs as a sound archive.
#
# The demo key pair is made once per build folder by the built packgate-pack: the secret key,
# unencrypted and readable by its owner alone, in <build>/demo-key/demo.key, and the public
# key Demo.pub beside Demo.pack, where --demo finds the one key it trusts for its run. Neither
# is ever in the source tree or in a folder the installer trusts on its own.
set(PACKGATE_DEMO_SECRET_KEY ${PROJECT_BINARY_DIR}/demo-key/demo.key CACHE INTERNAL
    "The demo pack's secret key in the build folder")
set(PACKGATE_DEMO_KEY ${CMAKE_CURRENT_BINARY_DIR}/Demo.pub CACHE INTERNAL
    "The demo pack's public key, beside the demo pack")
# No file-level dependency on the tool: a rebuilt tool keeps the key it made.
add_custom_command(OUTPUT ${PACKGATE_DEMO_SECRET_KEY} ${PACKGATE_DEMO_KEY}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/demo-key
    COMMAND $<TARGET_FILE:packgate-pack> keygen -W -f -c "Packgate demo key"
            -p ${PACKGATE_DEMO_KEY} -s ${PACKGATE_DEMO_SECRET_KEY}
    COMMENT "Demo key pair"
    VERBATIM)
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
        -DPACK_TOOL=$<TARGET_FILE:packgate-pack>
        -DKEY=${PACKGATE_DEMO_SECRET_KEY}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/make_demo_pack.cmake
    DEPENDS ${demo_pack_inputs} ${PACKGATE_BUNDLE_OUTPUTS} Packgate packgate_bundle packgate-pack
            ${PACKGATE_DEMO_SECRET_KEY}
            ${CMAKE_CURRENT_SOURCE_DIR}/make_demo_pack.cmake
    COMMENT "Demo.pack"
    VERBATIM)
add_custom_target(packgate_demo_pack ALL DEPENDS ${demo_pack_stamp})
add_dependencies(packgate_demo_pack packgate_bundle packgate-pack)

install(DIRECTORY ${PACKGATE_DEMO_PACK_DIR}
    DESTINATION lib/packgate
    USE_SOURCE_PERMISSIONS
    COMPONENT installer)
install(FILES ${PACKGATE_DEMO_KEY} DESTINATION lib/packgate COMPONENT installer)
