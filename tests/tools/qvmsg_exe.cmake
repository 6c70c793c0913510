# qvmsg.exe as a script runs it under Wine: exit statuses, --answer on real windows, --screenshot,
# --json and memory, with its remembered answers in a registry sandbox (QVMSGERR_REGISTRY) that
# is removed afterwards.
#   cmake -DEMULATOR=wine -DQVMSG=…/qvmsg.exe -P qvmsg_exe.cmake
set(sandbox "Software\\qvMsgErr tests\\qvmsg-exe")

# run(STATUS n [OUTPUT regex…] [ENV NAME=value…] ARGS …)
function(run)
  cmake_parse_arguments(ARG "" "STATUS" "OUTPUT;ENV;ARGS" ${ARGN})
  # A window left waiting for a person ends the run as a time-out.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${ARG_ENV} ${EMULATOR} ${QVMSG} ${ARG_ARGS}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT rc STREQUAL ARG_STATUS)
    message(FATAL_ERROR "qvmsg ${ARG_ARGS}: exit status ${rc}, expected ${ARG_STATUS}\n${out}\n${err}")
  endif()
  foreach(pattern IN LISTS ARG_OUTPUT)
    if(NOT "${out}${err}" MATCHES "${pattern}")
      message(FATAL_ERROR "qvmsg ${ARG_ARGS}: no \"${pattern}\" in\n${out}\n${err}")
    endif()
  endforeach()
endfunction()

set(store "QVMSGERR_REGISTRY=${sandbox}")
run(STATUS 0 OUTPUT "^qvmsg \\(qvMsgErr\\) [0-9.]+\r?\n$" ARGS --version)
run(STATUS 64 OUTPUT "unknown option '--bogus'" ARGS --bogus)
run(STATUS 6 OUTPUT "^{\"button\":6,\"name\":\"Yes\",\"TimeOutOccured\":false,\"DontShowAgainTicked\":false}"
  ENV ${store} ARGS --answer Yes --buttons yesno --json "Go on?")
# The script clicks the real windows: a button by its caption, the system's box by number, and a
# step the window cannot take ends it as bad usage instead of leaving it to wait.
run(STATUS 6 ENV ${store} ARGS --platform win32 --caption yes=&Save --answer save
  --buttons yesnocancel "Save?")
run(STATUS 7 ENV ${store} ARGS --style standard --answer 7 --buttons yesno "Go on?")
run(STATUS 64 OUTPUT "has no check box" ENV ${store} ARGS --answer tick --buttons yesno "Go on?")
run(STATUS 64 OUTPUT "has no button .8." ENV ${store} ARGS --style standard --answer 8 --buttons yesno
  "Go on?")
# A picture of the shown window: a PNG of a dialog's size with more in it than one colour.
set(shot "${CMAKE_CURRENT_BINARY_DIR}/qvmsg-exe-shot.png")
file(REMOVE "${shot}")
run(STATUS 1 ENV ${store} ARGS --answer ok --screenshot "${shot}" --icon information "Saved.")
file(READ "${shot}" head LIMIT 24 HEX)
file(SIZE "${shot}" bytes)
string(SUBSTRING "${head}" 32 8 width)
string(SUBSTRING "${head}" 40 8 height)
math(EXPR width "0x${width}")
math(EXPR height "0x${height}")
if(NOT head MATCHES "^89504e470d0a1a0a" OR width LESS 100 OR width GREATER 1920
   OR height LESS 40 OR height GREATER 1080 OR bytes LESS 1000)
  message(FATAL_ERROR "--screenshot: ${width} x ${height}, ${bytes} bytes: ${head}")
endif()
file(REMOVE "${shot}")
# Unattended: answered as the close box would, and said on standard error; a question without a
# close answer is answered by nobody.
run(STATUS 2 OUTPUT "unattended" ENV ${store} QVMSGERR_DESKTOP=headless
  ARGS --buttons okcancel "Go on?")
run(STATUS 70 ENV ${store} QVMSGERR_DESKTOP=headless ARGS --buttons yesno "Delete it?")
# A ticked answer lands in the registry and is read, listed and forgotten from there.
run(STATUS 7 ENV ${store} ARGS --answer tick,7 --buttons yesno --id Backup --dont-show
  "Back up now?")
run(STATUS 7 ENV ${store} QVMSGERR_DESKTOP=headless
  ARGS --buttons yesno --id Backup --dont-show "Back up now?")
run(STATUS 0 OUTPUT "^7\r?\n$" ENV ${store} ARGS memory get Backup)
run(STATUS 0 OUTPUT "\"id\":\"Backup\",\"button\":7" ENV ${store} ARGS memory list --json)
run(STATUS 0 OUTPUT "forgot 1 remembered answer" ENV ${store} ARGS memory clear)
run(STATUS 1 ENV ${store} ARGS memory get Backup)
# An error dialog, answered by a script.
run(STATUS 4 OUTPUT "\"response\":4" ENV ${store} ARGS error --answer "Try Again" --json)

execute_process(COMMAND ${EMULATOR} reg delete "HKCU\\${sandbox}" /f OUTPUT_QUIET ERROR_QUIET)
