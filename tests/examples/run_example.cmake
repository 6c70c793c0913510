# Builds one example against the staged install, as its README says, and runs it unattended on
# the headless desktop: an answer file answers the messages, the close box the rest, and a
# question neither answers fails instead of being answered.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(build ${WORK_DIR}/build)

# expect(STATUS n OUTPUT regex... COMMAND …): runs a command and checks its exit status and output.
function(expect)
  cmake_parse_arguments(ARG "" "STATUS" "OUTPUT;COMMAND" ${ARGN})
  execute_process(COMMAND ${ARG_COMMAND} RESULT_VARIABLE rc OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT rc STREQUAL ARG_STATUS)
    message(FATAL_ERROR "exit status ${rc}, expected ${ARG_STATUS}: ${ARG_COMMAND}\n${out}\n${err}")
  endif()
  foreach(pattern IN LISTS ARG_OUTPUT)
    if(NOT out MATCHES "${pattern}")
      message(FATAL_ERROR "no \"${pattern}\" in the output of ${ARG_COMMAND}:\n${out}\n${err}")
    endif()
  endforeach()
endfunction()

# The examples' own code is held to the library's warning flags. A script needs no build.
if(EXISTS ${SOURCE_DIR}/CMakeLists.txt)
  expect(STATUS 0 COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${STAGE} "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror"
    "-DCMAKE_C_FLAGS=-Wall -Wextra -Werror")
  expect(STATUS 0 COMMAND ${CMAKE_COMMAND} --build ${build})
endif()

set(ENV{QVMSGERR_DESKTOP} headless)
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{QVMSGERR_REGISTRY} ${WORK_DIR}/registry.db)

if(EXAMPLE STREQUAL "plain-host")
  set(statements ${WORK_DIR}/statements.csv)
  # Yes/No has no close answer: without an answer file nobody answers it.
  expect(STATUS 3 COMMAND ${build}/plain-host ${statements})
  # Nor with a display that cannot be opened: a clear error, no core dump.
  unset(ENV{QVMSGERR_DESKTOP})
  unset(ENV{QT_QPA_PLATFORM})
  set(ENV{DISPLAY} :97)
  expect(STATUS 3 COMMAND ${build}/plain-host ${statements})
  set(ENV{QVMSGERR_DESKTOP} headless)
  file(WRITE ${WORK_DIR}/answers "# The import question\nid ImportStatements = Yes\n")
  set(ENV{QVMSGERR_ANSWERS} ${WORK_DIR}/answers)
  # The file is missing, and the error dialog closes as its close box does.
  expect(STATUS 1 OUTPUT "Answer: Yes\n" "Not imported\n"
    COMMAND ${build}/plain-host ${statements})
  file(WRITE ${statements} "2026-01-02;coffee;-3.20\n2026-01-03;rent;-800.00\n")
  expect(STATUS 0 OUTPUT "Answer: Yes\n" "Imported 2 statements\n"
    COMMAND ${build}/plain-host ${statements})
elseif(EXAMPLE STREQUAL "qt-host")
  set(ledger ${WORK_DIR}/ledger.txt)
  # Unanswered, the question is closed as its close box would: Later.
  expect(STATUS 0 OUTPUT "Backup declined\n" COMMAND ${build}/qt-host --once ${ledger})
  file(WRITE ${WORK_DIR}/answers "prompt Copy the ledger to * = Back up\r\n")
  set(ENV{QVMSGERR_ANSWERS} ${WORK_DIR}/answers)
  expect(STATUS 1 OUTPUT "Backup failed\n" COMMAND ${build}/qt-host --once ${ledger})
  file(WRITE ${ledger} "2026-01-02;coffee;-3.20\n")
  expect(STATUS 0 OUTPUT "Backed up to [^\n]*ledger.txt.bak\n"
    COMMAND ${build}/qt-host --once ${ledger})
  file(READ ${ledger}.bak copy)
  if(NOT copy STREQUAL "2026-01-02;coffee;-3.20\n")
    message(FATAL_ERROR "the backup holds: ${copy}")
  endif()
elseif(EXAMPLE STREQUAL "shell")
  # The installed qvmsg, its manual page and its completion, as a user's shell finds them.
  set(ENV{PATH} "${STAGE}/bin:$ENV{PATH}")
  expect(STATUS 0 OUTPUT "--exit-style" COMMAND man -l ${STAGE}/share/man/man1/qvmsg.1)
  expect(STATUS 0 OUTPUT "complete -F _qvmsg qvmsg"
    COMMAND cat ${STAGE}/share/bash-completion/completions/qvmsg)
  set(script ${SOURCE_DIR}/backup.sh)
  set(archive ${WORK_DIR}/backup.tar)
  file(WRITE ${WORK_DIR}/answers "prompt Back up * = No\n")
  set(ENV{QVMSGERR_ANSWERS} ${WORK_DIR}/answers)
  expect(STATUS 0 OUTPUT "^Backup declined\n$" COMMAND sh ${script} ${SOURCE_DIR} ${archive})
  file(WRITE ${WORK_DIR}/answers "prompt Back up * = Yes\n")
  expect(STATUS 0 OUTPUT "^Backed up to " COMMAND sh ${script} ${SOURCE_DIR} ${archive})
  if(NOT EXISTS ${archive})
    message(FATAL_ERROR "no archive after the answer Yes")
  endif()
  # An archive that cannot be written: the error dialog, closed unattended, and a failure.
  expect(STATUS 1 COMMAND sh ${script} ${SOURCE_DIR} ${WORK_DIR}/missing/backup.tar)
elseif(EXAMPLE STREQUAL "host-test")
  # The host's tests script the user themselves, on a headless desktop of their own.
  unset(ENV{QVMSGERR_DESKTOP})
  expect(STATUS 0 OUTPUT "100% tests passed"
    COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${build} --output-on-failure)
elseif(EXAMPLE STREQUAL "c")
  set(dir ${WORK_DIR}/backups)
  # Yes/No has no close answer: nobody answers it, and the program prints the library's error.
  expect(STATUS 3 COMMAND ${build}/clean-backups ${dir})
  file(WRITE ${WORK_DIR}/answers "id RemoveBackups = Remove\n")
  set(ENV{QVMSGERR_ANSWERS} ${WORK_DIR}/answers)
  # The directory is missing, and the error dialog closes as its close box does.
  expect(STATUS 1 OUTPUT "Answer: Yes\n" "Not removed\n" COMMAND ${build}/clean-backups ${dir})
  file(MAKE_DIRECTORY ${dir})
  expect(STATUS 0 OUTPUT "Removed [^\n]*backups\n" COMMAND ${build}/clean-backups ${dir})
  if(EXISTS ${dir})
    message(FATAL_ERROR "${dir} is still there")
  endif()
elseif(EXAMPLE STREQUAL "python")
  # The installed module, finding the installed library by itself.
  set(ENV{PYTHONPATH} ${STAGE}/${PYTHON_DIR})
  set(ENV{PYTHONDONTWRITEBYTECODE} 1)
  unset(ENV{QVMSGERR_LIBRARY})
  set(script ${SOURCE_DIR}/backup_ledger.py)
  set(ledger ${WORK_DIR}/ledger.txt)
  expect(STATUS 3 COMMAND ${PYTHON} ${script} ${ledger})
  file(WRITE ${WORK_DIR}/answers "id BackupLedger = Back up\n")
  set(ENV{QVMSGERR_ANSWERS} ${WORK_DIR}/answers)
  expect(STATUS 1 OUTPUT "Backup failed\n" COMMAND ${PYTHON} ${script} ${ledger})
  file(WRITE ${ledger} "2026-01-02;coffee;-3.20\n")
  expect(STATUS 0 OUTPUT "Backed up to [^\n]*ledger.txt.bak\n" COMMAND ${PYTHON} ${script} ${ledger})
  # The host's self-test scripts the user on a headless desktop of its own.
  unset(ENV{QVMSGERR_DESKTOP})
  unset(ENV{QVMSGERR_ANSWERS})
  file(REMOVE ${ledger}.bak)
  expect(STATUS 0 OUTPUT "Backed up to" COMMAND ${PYTHON} ${script} --self-test ${ledger})
else()
  message(FATAL_ERROR "unknown example ${EXAMPLE}")
endif()
