# Runs the search bench at the committed iteration count and compares the
# signature it prints with the committed one.
#   cmake -DBENCH=path/to/ruvex_searchbench -DEXPECTED=bench/signature.txt -P check_signature.cmake
file(STRINGS ${EXPECTED} lines REGEX "^(iterations|nodes|hash) ")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([a-z]+) (.+)$" matched "${line}")
  set(want_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
if(NOT DEFINED want_iterations OR NOT DEFINED want_nodes OR NOT DEFINED want_hash)
  message(FATAL_ERROR "${EXPECTED} needs the lines: iterations N, nodes N, hash H")
endif()

execute_process(COMMAND ${BENCH} ${want_iterations} OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${BENCH} ${want_iterations} failed (${status}):\n${output}")
endif()
if(NOT output MATCHES "signature: nodes ([0-9]+), hash ([0-9a-f]+)")
  message(FATAL_ERROR "no signature line in the output of ${BENCH}:\n${output}")
endif()
set(nodes ${CMAKE_MATCH_1})
set(hash ${CMAKE_MATCH_2})
if(NOT nodes STREQUAL want_nodes OR NOT hash STREQUAL want_hash)
  message(FATAL_ERROR
    "The search's behaviour changed: at ${want_iterations} iterations the signature is "
    "nodes ${nodes}, hash ${hash}; committed is nodes ${want_nodes}, hash ${want_hash}. "
    "If the change is meant, commit the new values in ${EXPECTED} (bench/README.md).")
endif()
message(STATUS "signature at ${want_iterations} iterations: nodes ${nodes}, hash ${hash}, as committed")
