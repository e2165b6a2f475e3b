# A windowed run where no display can be reached: tav must say so, point to --headless and end
# with exit code 1 at once, before sound or the video system start.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=SDL_VIDEODRIVER
                        timeout -s KILL 20 ${TAV} ${GAME}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL "1")
  message(FATAL_ERROR "exit code ${code}, expected 1\n--- stderr\n${err}")
endif()
foreach(wanted "tav: no display is available" "--headless")
  string(FIND "${err}" "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "standard error lacks '${wanted}'\n--- stderr\n${err}")
  endif()
endforeach()
if(NOT out STREQUAL "")
  message(FATAL_ERROR "standard output is not empty:\n${out}")
endif()
