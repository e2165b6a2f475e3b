# A session recorded with --record-events replays to the same dialogs and the same last picture:
# the demo played from its test's event file while recording, then the recording played alone.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# Each run starts without saved games, as the recorded one did (the demo saves in town).
set(ENV{XDG_DATA_HOME} ${WORK}/played-data)
execute_process(COMMAND ${TAV} ${GAME} --headless --seed 1 --events ${EVENTS} --record-events recording.txt
                        --screenshot played.png
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE code OUTPUT_VARIABLE played ERROR_VARIABLE err TIMEOUT 60)
if(NOT code STREQUAL 0)
  message(FATAL_ERROR "the recorded run ended with ${code}\n${err}")
endif()
set(ENV{XDG_DATA_HOME} ${WORK}/replayed-data)
execute_process(COMMAND ${TAV} ${GAME} --headless --seed 1 --events recording.txt --screenshot replayed.png
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE code OUTPUT_VARIABLE replayed ERROR_VARIABLE err TIMEOUT 60)
if(NOT code STREQUAL 0)
  message(FATAL_ERROR "the replay ended with ${code}\n${err}")
endif()
if(NOT played STREQUAL replayed)
  message(FATAL_ERROR "the replay's dialogs differ:\n${played}\n---\n${replayed}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/played.png ${WORK}/replayed.png RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the replay ends on another picture")
endif()
file(STRINGS ${WORK}/recording.txt clicks REGEX "^click ")
list(LENGTH clicks count)
if(count LESS 3)
  message(FATAL_ERROR "the recording holds only ${count} clicks")
endif()
