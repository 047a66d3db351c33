# Run by CTest with -P. Installs the controls component of BUILD_DIR into
# WORK_DIR/prefix, checks what was installed, configures and builds the
# gallery at GALLERY_DIR against that prefix only, and runs it once.
foreach(var BUILD_DIR GALLERY_DIR WORK_DIR GENERATOR CXX)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
set(config_args "")
if(CONFIG)
  set(config_args --config "${CONFIG}")
endif()
run("cmake --install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component controls --prefix "${prefix}"
    ${config_args})

# The headers, the libraries and the package, and nothing of the application.
foreach(header controls/shadolbl/shadowlabel.h controls/selshape/selshape.h
               controls/shinespdbtn/shinespeedbutton.h controls/shinespdbtn/dialogchar.h core/tcolor.h)
  if(NOT EXISTS "${prefix}/include/yotsumado/${header}")
    message(FATAL_ERROR "${header} was not installed")
  endif()
endforeach()
file(GLOB_RECURSE package_files "${prefix}/*/YotsumadoControlsConfig.cmake")
file(GLOB_RECURSE libraries "${prefix}/*.a")
if(NOT package_files OR NOT libraries)
  message(FATAL_ERROR "no CMake package or no library under ${prefix}")
endif()
if(EXISTS "${prefix}/bin")
  message(FATAL_ERROR "the controls component installed programs: ${prefix}/bin")
endif()

set(configure_args -S "${GALLERY_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_COMPILER=${CXX}")
if(CONFIG)
  list(APPEND configure_args "-DCMAKE_BUILD_TYPE=${CONFIG}")
endif()
if(LAUNCHER)
  list(APPEND configure_args "-DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER}")
endif()
run("configuring the gallery" "${CMAKE_COMMAND}" ${configure_args})
run("building the gallery" "${CMAKE_COMMAND}" --build "${WORK_DIR}/build" -j 2)
run("running the gallery" "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
    "${WORK_DIR}/build/controls-gallery" --smoke)
