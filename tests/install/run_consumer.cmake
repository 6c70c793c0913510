# Installs the build into a staging prefix, then builds and runs a consumer against it, once
# through find_package and once through pkg-config.
file(REMOVE_RECURSE ${WORK_DIR})
set(stage ${WORK_DIR}/stage)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})

run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${stage} -DWITH_QT=${WITH_QT})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
if(NOT LAST_OUTPUT MATCHES "qvMsgErr 1.0.0.72 answered 4, message answered 7")
  message(FATAL_ERROR "unexpected consumer output: ${LAST_OUTPUT}")
endif()

if(WITH_QT)
  # The linker dropped the Qt desktop, yet the message is a real window on Qt's offscreen screen.
  run(readelf -d ${WORK_DIR}/consumer/as-needed-consumer)
  if(LAST_OUTPUT MATCHES "libqvMsgErr-qt")
    message(FATAL_ERROR "--as-needed kept libqvMsgErr-qt: the test proves nothing")
  endif()
  set(ENV{QT_QPA_PLATFORM} offscreen)
  unset(ENV{QVMSGERR_DESKTOP})
  run(${WORK_DIR}/consumer/as-needed-consumer ${WORK_DIR}/as-needed.png)
  if(NOT LAST_OUTPUT MATCHES "answered 7 by a window" OR NOT EXISTS ${WORK_DIR}/as-needed.png)
    message(FATAL_ERROR "unexpected as-needed consumer output: ${LAST_OUTPUT}")
  endif()
endif()

# pkg-config: compile and link the same consumer by hand with the flags it gives.
file(GLOB pcdir LIST_DIRECTORIES true ${stage}/lib*/pkgconfig ${stage}/lib/*/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run(pkg-config --cflags --libs qvMsgErr)
string(STRIP "${LAST_OUTPUT}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(c++ ${CONSUMER_DIR}/consumer.cpp -o ${WORK_DIR}/pc-consumer ${flags})
get_filename_component(libdir ${pcdir} DIRECTORY)
set(ENV{LD_LIBRARY_PATH} "${libdir}")
run(${WORK_DIR}/pc-consumer)
if(NOT LAST_OUTPUT MATCHES "answered 4, message answered 7")
  message(FATAL_ERROR "unexpected pkg-config consumer output: ${LAST_OUTPUT}")
endif()
