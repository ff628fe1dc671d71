# Lays out the demo pack anew and signs it:
#   cmake -DSOURCE= -DBUNDLE= -DDESTINATION= -DSTAMP= -DPACK_TOOL= -DKEY= -P this
file(REMOVE_RECURSE ${DESTINATION})
file(MAKE_DIRECTORY ${DESTINATION}/Contents/Plugins)
file(COPY ${SOURCE}/Info.plist DESTINATION ${DESTINATION}/Contents)
file(COPY ${SOURCE}/Payload DESTINATION ${DESTINATION}/Contents)
# file(COPY) copies links as links, so the bundle's library name links stay what they are.
file(COPY ${BUNDLE} DESTINATION ${DESTINATION}/Contents/Plugins USE_SOURCE_PERMISSIONS)
# Signed last, over exactly what was laid out; a pack that cannot be signed is not left behind.
execute_process(COMMAND ${PACK_TOOL} sign ${DESTINATION} -s ${KEY}
                RESULT_VARIABLE signed OUTPUT_QUIET)
if(NOT signed EQUAL 0)
    file(REMOVE_RECURSE ${DESTINATION})
    message(FATAL_ERROR "Demo.pack could not be signed with ${KEY}")
endif()
file(TOUCH ${STAMP})
