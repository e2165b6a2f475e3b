# A file whose name on disk is Shift-JIS bytes (設定.def): made here, since such a name does not
# survive every checkout.
execute_process(COMMAND sh -c "mv config/sjis-name.def \"$(printf 'config/\\220\\335\\222\\350.def')\""
                WORKING_DIRECTORY ${game} RESULT_VARIABLE renamed)
if(NOT renamed EQUAL 0)
  message(FATAL_ERROR "could not make the Shift-JIS file name")
endif()
