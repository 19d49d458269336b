# The walk example's media are the output of examples/make_walk_media.py: run it into WORK
# and compare each file with the one shipped in examples/walk_media.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${PYTHON} ${SOURCE}/examples/make_walk_media.py ${WORK} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "examples/make_walk_media.py failed: ${status}")
endif()
foreach(name walker.3ds chime.wav bump.wav)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${SOURCE}/examples/walk_media/${name}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "examples/walk_media/${name} is not what examples/make_walk_media.py writes: "
                        "run python3 examples/make_walk_media.py and commit examples/walk_media.")
  endif()
endforeach()
