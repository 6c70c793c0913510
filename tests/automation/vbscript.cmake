# The VBScript suite under the system's script host: qvMsgErr.dll registered as an installer
# registers it, the suite run, the registration removed again.
#   cmake -DEMULATOR=wine -DDLL=…/qvMsgErr.dll -DCLICKER=…/test_automation.exe
#         -DSUITE=…/suite.vbs -P vbscript.cmake
function(host)
  execute_process(COMMAND ${EMULATOR} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
    ERROR_VARIABLE err TIMEOUT 300)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}${err}" PARENT_SCOPE)
endfunction()

# Under Wine a Unix path is one on drive Z: (the script host reads "/path" as a switch).
foreach(path DLL SUITE CLICKER)
  string(REGEX REPLACE "^/" "Z:/" ${path} "${${path}}")
endforeach()

host(regsvr32 /s "${DLL}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "regsvr32 ${DLL}: exit status ${rc}\n${out}")
endif()
host(cscript //nologo "${SUITE}" "${CLICKER}")
set(suite_rc "${rc}")
set(suite_out "${out}")
host(regsvr32 /s /u "${DLL}")
message("${suite_out}")
# The last line is the suite's own: a script that stopped early (an error the host only logs)
# never prints it.
if(NOT suite_rc EQUAL 0 OR NOT suite_out MATCHES "[1-9][0-9]* checks passed, 0 failed")
  message(FATAL_ERROR "the VBScript suite failed (exit status ${suite_rc})")
endif()
