# Installs the build tree into WORK/prefix and plays the demo game there: the installed `tav`,
# started without a game folder, must find the installed demo and play its test run to the same
# output; the manual must be installed too.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix
                RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${err}")
endif()
foreach(file bin/tav bin/tavtool share/doc/tav/authoring.md share/tav/demo/config/startup.tas
             share/tav/demo/config/view/Title.tav share/tav/demo/config/place/dungeon.plc
             share/tav/demo/config/music/town.ogg share/tav/demo/config/sound/chime.mio)
  if(NOT EXISTS ${WORK}/prefix/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(MAKE_DIRECTORY ${WORK}/run)
execute_process(COMMAND ${WORK}/prefix/bin/tav --headless --seed 1 --events ${DEMO_TEST}/events.txt
                WORKING_DIRECTORY ${WORK}/run RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ ${DEMO_TEST}/expected.txt expected)
if(NOT code EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "the installed demo played differently (exit ${code})\n--- got\n${out}--- stderr\n${err}")
endif()
