# run(COMMAND...) for the scripts cpack runs: the command must succeed,
# or cpack stops with a message that names the script and the command.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    get_filename_component(script "${CMAKE_CURRENT_LIST_FILE}" NAME_WE)
    message(FATAL_ERROR "${script}: '${ARGN}' failed: ${status}")
  endif()
endfunction()
