# Puts a fresh copy of the repository's docs folder beside numpl.exe after
# each link, so that "使い方" finds the guide in the build folder as well.
# Files removed from docs do not linger there. A checkout without docs
# copies nothing. Run as: cmake -DSOURCE=... -DDESTINATION=... -P copy-docs.cmake
if(NOT DESTINATION MATCHES "/docs$")
  message(FATAL_ERROR "copy-docs.cmake: DESTINATION must be a docs folder, not '${DESTINATION}'")
endif()
file(REMOVE_RECURSE "${DESTINATION}")
if(IS_DIRECTORY "${SOURCE}")
  file(COPY "${SOURCE}/" DESTINATION "${DESTINATION}")
endif()
