# Puts the default settings.ini into the program folder unless one is there: the user's file is never replaced.
if(NOT EXISTS "${DESTINATION}/settings.ini")
  file(COPY "${SOURCE}" DESTINATION "${DESTINATION}")
endif()
