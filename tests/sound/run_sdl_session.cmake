# A real windowed session under SDL audio (driver AUDIO_DRIVER, no display needed): the game
# plays music with effects over it and exits. It must end normally without underruns, and with
# the disk driver (which plays in real time) the recording must sound without a gap from the
# music's start to the end.
set(recording ${WORK}/sdl_${AUDIO_DRIVER}.wav)
file(MAKE_DIRECTORY ${WORK})
set(ENV{SDL_VIDEODRIVER} dummy)
set(ENV{SDL_AUDIODRIVER} ${AUDIO_DRIVER})
set(ENV{SDL_DISKAUDIOFILE} ${WORK}/sdl_disk.raw)
execute_process(COMMAND ${TAV} ${GAME} --audio-out ${recording} -v
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code STREQUAL 0)
  message(FATAL_ERROR "exit code ${code}\n${err}")
endif()
if(err MATCHES "underrun" OR err MATCHES "no audio" OR err MATCHES "cannot open the audio device")
  message(FATAL_ERROR "the audio output did not play cleanly\n${err}")
endif()
if(AUDIO_DRIVER STREQUAL "disk")
  # From 0.2 s (music heard) to 2 s (the session lasts 2.2 s).
  file(WRITE ${WORK}/sdl_expected.txt "sounding 8820 88200\n")
  execute_process(COMMAND ${AUDIO_CHECK} ${recording} ${WORK}/sdl_expected.txt ${GAME}
                  RESULT_VARIABLE audio_code ERROR_VARIABLE audio_err)
  if(NOT audio_code STREQUAL 0)
    message(FATAL_ERROR "the recording has gaps\n${audio_err}")
  endif()
endif()
