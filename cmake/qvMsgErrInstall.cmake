# Installation: headers, the shared libraries, a CMake package and pkg-config files.
include(CMakePackageConfigHelpers)

set(QV_INSTALL_TARGETS qvMsgErr_core qvMsgErr_all)
if(QVMSGERR_QT)
  list(APPEND QV_INSTALL_TARGETS qvMsgErr_qt)
endif()
install(TARGETS ${QV_INSTALL_TARGETS} EXPORT qvMsgErrTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/qvMsgErr DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(NOT QVMSGERR_QT)
  install(CODE "file(REMOVE \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}/qvMsgErr/qt.h\")")
endif()
if(NOT WIN32) # the Win32 desktop is part of the Windows build only
  install(CODE "file(REMOVE \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}/qvMsgErr/win32.h\")")
endif()

set(QV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qvMsgErr)
install(EXPORT qvMsgErrTargets NAMESPACE qvMsgErr:: DESTINATION ${QV_CMAKE_DIR})
configure_package_config_file(cmake/qvMsgErrConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErrConfig.cmake INSTALL_DESTINATION ${QV_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qvMsgErrConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErrConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErrConfigVersion.cmake DESTINATION ${QV_CMAKE_DIR})

file(RELATIVE_PATH QV_PC_RELATIVE_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(cmake/qvMsgErr.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErr.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(QVMSGERR_QT)
  configure_file(cmake/qvMsgErr-qt.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErr-qt.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qvMsgErr-qt.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

if(NOT WIN32)
  # The Python module qvmsgerr: pure Python over the C interface, so nothing is compiled. It finds
  # the library through a path relative to itself, which stays right when the prefix changes at
  # install time. (Tested on Linux only: the Windows build has no Python tests.)
  file(RELATIVE_PATH QV_PYTHON_TO_LIB /prefix/${QVMSGERR_PYTHON_DIR}/qvmsgerr
    /prefix/${CMAKE_INSTALL_LIBDIR})
  string(REGEX REPLACE "/$" "" QV_PYTHON_TO_LIB "${QV_PYTHON_TO_LIB}")
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/python/_install.py CONTENT
    "# Written by the install: where the library lies, relative to this package.
LIBRARY = \"${QV_PYTHON_TO_LIB}/$<TARGET_SONAME_FILE_NAME:qvMsgErr_core>\"
")
  install(DIRECTORY python/qvmsgerr DESTINATION ${QVMSGERR_PYTHON_DIR}
    FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/python/_install.py
    DESTINATION ${QVMSGERR_PYTHON_DIR}/qvmsgerr)
endif()
