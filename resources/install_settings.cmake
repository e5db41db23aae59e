# Installs the default settings.ini into the program folder unless the user already has one there.
# file(INSTALL) puts DESTDIR (a package's staging folder) in front of the destination by itself.
if(NOT EXISTS "$ENV{DESTDIR}${QUILLON_PROGRAM_FOLDER}/settings.ini")
  file(INSTALL "${QUILLON_SETTINGS}" DESTINATION "${QUILLON_PROGRAM_FOLDER}")
endif()
