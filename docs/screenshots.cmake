# Plays the README's session (SESSION) with the game (GAME) on the headless
# host, on a fresh copy of the data tree (DATA, the Files/ folder of the
# game folder) without any player's files, and leaves its shots in OUT.
#
#   cmake -DGAME=... -DDATA=... -DSESSION=... -DOUT=... -P screenshots.cmake

set(work "${OUT}/session")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/Files")
foreach(part Common 253)
  file(COPY "${DATA}/${part}" DESTINATION "${work}/Files"
       PATTERN "scores.dat*" EXCLUDE PATTERN "crash.dat" EXCLUDE PATTERN "*.tmp" EXCLUDE)
endforeach()
file(STRINGS "${SESSION}" shots REGEX " shot ")
list(TRANSFORM shots REPLACE ".* shot " "")
file(GLOB old_shots "${OUT}/*.png")   # a shot the session no longer takes goes too
if(old_shots)
  file(REMOVE ${old_shots})
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env SDL_AUDIODRIVER=dummy
                        "${GAME}" --data "${work}" --headless "${SESSION}"
                WORKING_DIRECTORY "${OUT}" RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The README's session ended with ${status}:\n${log}")
endif()
foreach(shot ${shots})
  if(NOT EXISTS "${OUT}/${shot}")
    message(FATAL_ERROR "The README's session saved no ${shot}:\n${log}")
  endif()
endforeach()
file(REMOVE_RECURSE "${work}")
