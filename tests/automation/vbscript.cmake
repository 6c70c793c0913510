# A VBScript under the system's script host against qvMsgErr.dll, registered as an installer
# registers it and unregistered afterwards.
#   cmake -DEMULATOR=wine -DDLL=…/qvMsgErr.dll -DSCRIPT=…/suite.vbs [-DARGS=a;b]
#         [-DENV=NAME=value;…] -DEXPECT=regex -P vbscript.cmake
# The run passes when the script exits 0 and its output matches EXPECT: a script that stopped
# early (an error the host only logs) never prints its last line.
function(host)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${ENV} ${EMULATOR} ${ARGN} RESULT_VARIABLE rc
    OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}${err}" PARENT_SCOPE)
endfunction()

# Under Wine a Unix path is one on drive Z: (the script host reads "/path" as a switch).
foreach(list DLL SCRIPT ARGS ENV)
  list(TRANSFORM ${list} REPLACE "^/" "Z:/")
  list(TRANSFORM ${list} REPLACE "=/" "=Z:/")
endforeach()

host(regsvr32 /s "${DLL}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "regsvr32 ${DLL}: exit status ${rc}\n${out}")
endif()
host(cscript //nologo "${SCRIPT}" ${ARGS})
set(script_rc "${rc}")
set(script_out "${out}")
host(regsvr32 /s /u "${DLL}")
message("${script_out}")
if(NOT script_rc EQUAL 0 OR NOT script_out MATCHES "${EXPECT}")
  message(FATAL_ERROR "${SCRIPT}: exit status ${script_rc}, output not matching \"${EXPECT}\"")
endif()
