# Run by CPack between the staging install and the packing: the stripped programs still carry the compilers'
# .comment and .note sections, which Debian's packages leave out.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/lib/quillon/*")
foreach(program IN LISTS staged)
  if(NOT IS_SYMLINK "${program}")
    execute_process(COMMAND "${CPACK_QUILLON_OBJCOPY}" --remove-section=.comment --remove-section=.note "${program}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "objcopy could not strip ${program}")
    endif()
  endif()
endforeach()
