# Installs the default settings.ini into the program folder unless the user already has one there.
set(target "$ENV{DESTDIR}${QUILLON_PROGRAM_FOLDER}/settings.ini")
if(NOT EXISTS "${target}")
  file(INSTALL "${QUILLON_SETTINGS}" DESTINATION "$ENV{DESTDIR}${QUILLON_PROGRAM_FOLDER}")
endif()
