# Espresso, the field's minimizer, as a peer for the fit's tests and benchmark: built once
# into the build tree from its source beside the project (../shared/peers/espresso).
# PLA_EPROM_ESPRESSO is its path, or empty where the source is absent or the build crosses.
set(PLA_EPROM_ESPRESSO "")
set(espresso_source ${PROJECT_SOURCE_DIR}/../shared/peers/espresso)
if(NOT CMAKE_CROSSCOMPILING AND EXISTS ${espresso_source}/build.sh)
  set(espresso_program ${CMAKE_BINARY_DIR}/espresso/espresso)
  if(NOT EXISTS ${espresso_program})
    execute_process(COMMAND bash ${espresso_source}/build.sh ${CMAKE_BINARY_DIR}/espresso
                    OUTPUT_QUIET RESULT_VARIABLE espresso_built)
  endif()
  if(EXISTS ${espresso_program})
    set(PLA_EPROM_ESPRESSO ${espresso_program})
  endif()
endif()
