# Lays out the demo pack anew: cmake -DSOURCE= -DBUNDLE= -DDESTINATION= -DSTAMP= -P this.
file(REMOVE_RECURSE ${DESTINATION})
file(MAKE_DIRECTORY ${DESTINATION}/Contents/Plugins)
file(COPY ${SOURCE}/Info.plist DESTINATION ${DESTINATION}/Contents)
file(COPY ${SOURCE}/Payload DESTINATION ${DESTINATION}/Contents)
# file(COPY) copies links as links, so the bundle's library name links stay what they are.
file(COPY ${BUNDLE} DESTINATION ${DESTINATION}/Contents/Plugins USE_SOURCE_PERMISSIONS)
file(TOUCH ${STAMP})
