# Run by CPack after it has installed (and stripped) the programs into its
# staging folder: takes out the sections a Debian package leaves out, as
# dh_strip does (.comment holds the compiler's version strings).
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_LUMETTO_STRIP}" --remove-section=.comment
                          --remove-section=.note "${program}"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Cannot strip ${program}")
  endif()
endforeach()
