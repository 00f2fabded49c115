# Run by CPack on the staged files before it packs them. Every file of the
# package belongs to root, which is all Dolphin asks of a service menu: the
# executable bit that a user's own install needs is dropped here.
file(GLOB_RECURSE service_menus "${CPACK_TEMPORARY_DIRECTORY}/*.desktop")
list(FILTER service_menus INCLUDE REGEX "/kio/servicemenus/tarnwick-extract\\.desktop$")
if(NOT service_menus)
  message(FATAL_ERROR "package-modes.cmake: no service menu under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
file(CHMOD ${service_menus} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
