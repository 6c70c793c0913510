# qvmsg.exe as a script runs it under Wine: exit statuses, --answer, --json and memory, with its
# remembered answers in a registry sandbox (QVMSGERR_REGISTRY) that is removed afterwards.
#   cmake -DEMULATOR=wine -DQVMSG=…/qvmsg.exe -P qvmsg_exe.cmake
set(sandbox "Software\\qvMsgErr tests\\qvmsg-exe")

# run(STATUS n [OUTPUT regex…] [ENV NAME=value…] ARGS …)
function(run)
  cmake_parse_arguments(ARG "" "STATUS" "OUTPUT;ENV;ARGS" ${ARGN})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${ARG_ENV} ${EMULATOR} ${QVMSG} ${ARG_ARGS}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
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
# Nobody to ask: no window this build can show, no script, not unattended.
run(STATUS 69 OUTPUT "no window can be shown" ENV ${store} ARGS "Go on?")
# Unattended: answered as the close box would, and said on standard error.
run(STATUS 2 OUTPUT "unattended" ENV ${store} QVMSGERR_DESKTOP=headless
  ARGS --buttons okcancel "Go on?")
# A ticked answer lands in the registry and is read, listed and forgotten from there.
run(STATUS 7 ENV ${store} ARGS --answer tick,No --buttons yesno --id Backup --dont-show
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
