# Starts gbcode in the terminal the build was started from and reports the key code it exits
# with. That code is the tool's answer, not a failure, so this script succeeds whatever it is.
#
# execute_process would pass the program's output through a pipe, where it is buffered and
# the prompt would not show before the read waits, so the terminal is handed over directly.
# On a UTF-8 terminal gbcode runs in its UTF-8 mode. On another that is not GBK, luit (where
# installed) translates, so that the prompt and the typed text show as Chinese; luit always
# exits 0, so a small shell records the status.

# A script run with -P has no project to set its policies: take this CMake's (so that, among
# others, find_program skips a luit on PATH that cannot be executed, and says nothing).
cmake_policy(VERSION 3.25)

if(NOT GBCODE)
  message(FATAL_ERROR "run with -DGBCODE=<path to gbcode>")
endif()

if(WIN32)
  set(terminal "CONOUT$")
else()
  set(terminal "/dev/tty")
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
string(REGEX MATCH "UTF-?8" terminal_is_utf8 "${locale}")
set(mode "")
if(terminal_is_utf8)
  set(mode --utf8)
endif()
find_program(LUIT luit)

set(status "")
if(LUIT AND NOT terminal_is_gbk AND NOT terminal_is_utf8 AND NOT WIN32)
  string(RANDOM LENGTH 12 tag)
  set(status_file "${CMAKE_CURRENT_BINARY_DIR}/gbcode-status-${tag}")
  execute_process(COMMAND "${LUIT}" -encoding GBK -- sh -c "\"$0\"; echo $? > \"$1\""
                          "${GBCODE}" "${status_file}"
                  OUTPUT_FILE "${terminal}" ERROR_FILE "${terminal}" RESULT_VARIABLE luit_result)
  if(EXISTS "${status_file}")
    file(READ "${status_file}" status)
    file(REMOVE "${status_file}")
    string(STRIP "${status}" status)
  endif()
endif()
if(status STREQUAL "")
  execute_process(COMMAND "${GBCODE}" ${mode} OUTPUT_FILE "${terminal}" RESULT_VARIABLE status)
endif()
if(NOT status MATCHES "^[0-9]+$")
  # No terminal to hand over (or it could not be opened): run with the build's own streams.
  execute_process(COMMAND "${GBCODE}" ${mode} RESULT_VARIABLE status)
endif()

if(status STREQUAL "255")
  message(STATUS "gbcode exited with 255: key code 255, or -1 when no keyboard could be read")
else()
  message(STATUS "gbcode exited with key code ${status}")
endif()
