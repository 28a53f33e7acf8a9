# Builds plakit natively (Release, no tests) in BINARY from the sources in SOURCE, for the
# page's tests to hold the page's answers against. Run as a test: cmake -P.
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DCMAKE_BUILD_TYPE=Release -DPLA_EPROM_TESTS=OFF
          -DPLA_EPROM_BENCHMARKS=OFF
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target plakit -j 2 COMMAND_ERROR_IS_FATAL ANY)
