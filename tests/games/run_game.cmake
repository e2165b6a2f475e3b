# Runs one game folder headless and compares standard output (and the exit code) with the
# expectations stored beside it.
#
# tav runs from WORK/run, so that pictures written by `shot` lines land there. Without WORK (a
# run by hand) the work folder is one under the temporary directory, never the directory cmake
# was started in: a run from the source tree would leave its pictures among the sources.
# A game whose config/view/ holds NAME.json files, or whose config/place/ holds NAME.json files,
# is first copied to WORK/game, and each JSON is built with tavtool (TAVTOOL): a view into
# NAME.tav, a place into NAME (the name LoadPlace is given, "walk.plc.json" -> "walk.plc").
# expected_pixels.txt, when present, lists lines "FILE X Y RRGGBB" checked against the PNG
# files in WORK/run.
# signal_after.txt holds a delay in seconds: tav then gets SIGTERM after it (and SIGKILL 3 s
# later, which fails the test). Each line of expected_stderr.txt must appear in standard error;
# each line of unexpected_stderr.txt must not. run_args.txt adds options to the run (one a line).
# With CHECK, `tav --check` runs instead and expected_check.txt and expected_check_exit.txt (or,
# for a folder that is only checked, expected_exit.txt) hold what it must print and answer.
# max_rss_mib.txt holds a bound in MiB on tav's peak resident memory, measured with GNU time.
# prepare.cmake, when present, runs on a copy of the game (${game}) before tav does.
# EXPECTED, when set, is the folder holding events.txt and the expectations instead of GAME (for
# a game built elsewhere, such as the bundled demo). expected_audio.txt, when present, makes the
# run record with --audio-out into WORK and AUDIO_CHECK compare the recording with the game's
# own sound files.
set(game ${GAME})
if(NOT EXPECTED)
  set(EXPECTED ${GAME})
endif()
if(NOT WORK)
  set(temporary $ENV{TMPDIR})
  if(NOT temporary)
    set(temporary /tmp)
  endif()
  get_filename_component(game_name ${GAME} NAME)
  string(RANDOM LENGTH 8 suffix)
  set(WORK ${temporary}/tav-game-${game_name}-${suffix})
  message(STATUS "work folder: ${WORK}")
endif()

# Builds each source (relative to the game) with `tavtool KIND build`, into the name that
# `pattern` -> `replacement` makes of it.
function(build_sources kind pattern replacement)
  foreach(source ${ARGN})
    string(REGEX REPLACE "${pattern}" "${replacement}" target ${source})
    execute_process(COMMAND ${TAVTOOL} ${kind} build ${game}/${source} -o ${game}/${target}
                    RESULT_VARIABLE code ERROR_VARIABLE err)
    if(NOT code EQUAL 0)
      message(FATAL_ERROR "building ${source} failed:\n${err}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK})
set(run_dir ${WORK}/run)
file(MAKE_DIRECTORY ${run_dir})
file(GLOB_RECURSE view_sources RELATIVE ${GAME} ${GAME}/config/view/*.json)
file(GLOB place_sources RELATIVE ${GAME} ${GAME}/config/place/*.json)
if(view_sources OR place_sources OR EXISTS ${GAME}/prepare.cmake)
  set(game ${WORK}/game)
  file(MAKE_DIRECTORY ${game})
  if(EXISTS ${GAME}/config)
    file(COPY ${GAME}/config DESTINATION ${game})
  endif()
  build_sources(view "\\.json$" ".tav" ${view_sources})
  build_sources(place "\\.json$" "" ${place_sources})
  # Files that cannot or should not be committed (too large, unreadable, odd names) are
  # made by the game's prepare.cmake, which works on the copy in ${game}.
  if(EXISTS ${GAME}/prepare.cmake)
    include(${GAME}/prepare.cmake)
  endif()
endif()

if(CHECK)
  set(args ${game} --check)
  set(expected_file ${EXPECTED}/expected_check.txt)
  set(exit_file ${EXPECTED}/expected_check_exit.txt)
  set(stderr_file "")
else()
  set(args ${game} --headless --seed 1)
  set(exit_file ${EXPECTED}/expected_exit.txt)
  set(stderr_file ${EXPECTED}/expected_stderr.txt)
  # run_args.txt: more options for the run, one a line (-v, to see the engine's notes).
  if(EXISTS ${EXPECTED}/run_args.txt)
    file(STRINGS ${EXPECTED}/run_args.txt more_args)
    list(APPEND args ${more_args})
  endif()
  if(EXISTS ${EXPECTED}/events.txt)
    list(APPEND args --events ${EXPECTED}/events.txt)
  endif()
  set(expected_file ${EXPECTED}/expected.txt)
  if(EXISTS ${EXPECTED}/expected_audio.txt)
    file(MAKE_DIRECTORY ${WORK})
    set(recording ${WORK}/recorded.wav)
    list(APPEND args --audio-out ${recording})
  endif()
endif()
# Saved games land in the test's own folder, never in the user's data folder.
set(ENV{XDG_DATA_HOME} ${run_dir}/data)
set(launcher "")
if(EXISTS ${GAME}/signal_after.txt)
  file(STRINGS ${GAME}/signal_after.txt delay LIMIT_COUNT 1)
  set(launcher timeout --preserve-status -s TERM -k 3 ${delay})
endif()
if(EXISTS ${GAME}/max_rss_mib.txt)
  find_program(GNU_TIME time PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  set(peak_file ${run_dir}/peak_rss_kib.txt)
  list(APPEND launcher ${GNU_TIME} -f %M -o ${peak_file})
endif()
execute_process(COMMAND ${launcher} ${TAV} ${args} WORKING_DIRECTORY ${run_dir}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ ${expected_file} expected)
set(expected_code 0)
if(NOT EXISTS ${exit_file} AND CHECK AND NOT EXISTS ${EXPECTED}/expected.txt)
  set(exit_file ${EXPECTED}/expected_exit.txt)  # a folder that is only checked
endif()
if(EXISTS ${exit_file})
  file(STRINGS ${exit_file} expected_code LIMIT_COUNT 1)
endif()
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "standard output differs\n--- expected\n${expected}--- got\n${out}--- stderr\n${err}")
endif()
if(NOT code STREQUAL expected_code)
  message(FATAL_ERROR "exit code ${code}, expected ${expected_code}\n--- stderr\n${err}")
endif()

if(peak_file)
  file(STRINGS ${GAME}/max_rss_mib.txt max_mib LIMIT_COUNT 1)
  file(STRINGS ${peak_file} peak_lines)
  list(GET peak_lines -1 peak_kib)
  math(EXPR peak_mib "${peak_kib} / 1024")
  if(peak_mib GREATER max_mib)
    message(FATAL_ERROR "peak memory ${peak_mib} MiB, more than ${max_mib} MiB")
  endif()
  message(STATUS "peak memory ${peak_mib} MiB")
endif()

if(stderr_file AND EXISTS ${stderr_file})
  file(STRINGS ${stderr_file} wanted_lines ENCODING UTF-8)
  foreach(wanted ${wanted_lines})
    string(FIND "${err}" "${wanted}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "standard error lacks '${wanted}'\n--- stderr\n${err}")
    endif()
  endforeach()
endif()

if(NOT CHECK AND EXISTS ${EXPECTED}/unexpected_stderr.txt)
  file(STRINGS ${EXPECTED}/unexpected_stderr.txt unwanted_lines ENCODING UTF-8)
  foreach(unwanted ${unwanted_lines})
    string(FIND "${err}" "${unwanted}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "standard error holds '${unwanted}'\n--- stderr\n${err}")
    endif()
  endforeach()
endif()

if(NOT CHECK AND EXISTS ${EXPECTED}/expected_pixels.txt)
  file(STRINGS ${EXPECTED}/expected_pixels.txt lines ENCODING UTF-8)
  set(failures "")
  foreach(line ${lines})
    if(line MATCHES "^[ \t]*(#|$)")
      continue()
    endif()
    if(NOT line MATCHES "^([^ \t]+)[ \t]+([0-9]+)[ \t]+([0-9]+)[ \t]+([0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f])[ \t]*$")
      message(FATAL_ERROR "expected_pixels.txt: bad line '${line}' (FILE X Y RRGGBB)")
    endif()
    set(file ${CMAKE_MATCH_1})
    set(x ${CMAKE_MATCH_2})
    set(y ${CMAKE_MATCH_3})
    string(TOUPPER ${CMAKE_MATCH_4} want)
    execute_process(COMMAND ${TAVTOOL} png probe ${run_dir}/${file} ${x} ${y}
                    RESULT_VARIABLE probe_code OUTPUT_VARIABLE got ERROR_VARIABLE probe_err
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT probe_code EQUAL 0)
      string(APPEND failures "${file} (${x}, ${y}): ${probe_err}")
    elseif(NOT got STREQUAL want)
      string(APPEND failures "${file} (${x}, ${y}): ${got}, expected ${want}\n")
    endif()
  endforeach()
  if(failures)
    message(FATAL_ERROR "pixels differ:\n${failures}--- stderr\n${err}")
  endif()
endif()

if(recording)
  execute_process(COMMAND ${AUDIO_CHECK} ${recording} ${EXPECTED}/expected_audio.txt ${game}
                  RESULT_VARIABLE audio_code ERROR_VARIABLE audio_err)
  if(NOT audio_code STREQUAL 0)
    message(FATAL_ERROR "the recording differs\n${audio_err}")
  endif()
endif()
