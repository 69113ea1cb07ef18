# Starts gbcode in the terminal the build was started from and reports the key code it exits
# with. That code is the tool's answer, not a failure, so this script succeeds whatever it is.
#
# On a terminal that is not GBK, luit (where installed) translates, so that the prompt and
# the typed text show as Chinese. luit always exits 0, so a small shell records the status.

if(NOT GBCODE)
  message(FATAL_ERROR "run with -DGBCODE=<path to gbcode>")
endif()

set(locale "$ENV{LC_ALL}")
if(locale STREQUAL "")
  set(locale "$ENV{LC_CTYPE}")
endif()
if(locale STREQUAL "")
  set(locale "$ENV{LANG}")
endif()
string(TOUPPER "${locale}" locale)
string(REGEX MATCH "GBK|GB2312|GB18030|EUC-?CN|CP936" terminal_is_gbk "${locale}")

find_program(LUIT luit)
execute_process(COMMAND sh -c "test -t 0 && test -t 1" RESULT_VARIABLE not_a_terminal)

if(LUIT AND NOT terminal_is_gbk AND not_a_terminal EQUAL 0)
  string(RANDOM LENGTH 12 tag)
  set(status_file "${CMAKE_CURRENT_BINARY_DIR}/gbcode-status-${tag}")
  execute_process(COMMAND "${LUIT}" -encoding GBK -- sh -c "\"$0\"; echo $? > \"$1\""
                          "${GBCODE}" "${status_file}")
  file(READ "${status_file}" status)
  file(REMOVE "${status_file}")
  string(STRIP "${status}" status)
else()
  execute_process(COMMAND "${GBCODE}" RESULT_VARIABLE status)
endif()

if(status STREQUAL "255")
  message(STATUS "gbcode exited with 255: key code 255, or -1 when no console keyboard could be read")
else()
  message(STATUS "gbcode exited with key code ${status}")
endif()
