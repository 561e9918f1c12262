# The JPEG library behind the picture files of the caption button, as the imported target
# corvel_jpeg. CORVEL_LIBJPEG_ROOT names an installed libjpeg (include/ and lib/); left empty,
# a cross build from Linux builds libjpeg-turbo for the target with scripts/libjpeg.sh into the
# build folder (once: later configures find it there), and any other build looks for an
# installed libjpeg.
set(CORVEL_LIBJPEG_ROOT "" CACHE PATH "Installed libjpeg (include/ and lib/); empty: build it or find it")

if(NOT CORVEL_LIBJPEG_ROOT AND CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  get_filename_component(corvel_jpeg_cc "${CMAKE_C_COMPILER}" NAME)
  set(corvel_jpeg_prefix "${CMAKE_BINARY_DIR}/libjpeg/${CMAKE_SYSTEM_PROCESSOR}")
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/libjpeg.sh" "${CMAKE_C_COMPILER}" "${corvel_jpeg_prefix}"
                  RESULT_VARIABLE corvel_jpeg_rc)
  if(NOT corvel_jpeg_rc EQUAL 0)
    message(FATAL_ERROR "libjpeg could not be built for ${corvel_jpeg_cc} (scripts/libjpeg.sh)")
  endif()
  set(CORVEL_JPEG_INCLUDE "${corvel_jpeg_prefix}/include")
  set(CORVEL_JPEG_LIBRARY "${corvel_jpeg_prefix}/lib/libjpeg.a")
elseif(CORVEL_LIBJPEG_ROOT)
  find_path(CORVEL_JPEG_INCLUDE jpeglib.h PATHS "${CORVEL_LIBJPEG_ROOT}/include" NO_DEFAULT_PATH)
  find_library(CORVEL_JPEG_LIBRARY NAMES jpeg-static jpeg libjpeg PATHS "${CORVEL_LIBJPEG_ROOT}/lib" NO_DEFAULT_PATH)
else()
  find_package(JPEG REQUIRED)
  set(CORVEL_JPEG_INCLUDE "${JPEG_INCLUDE_DIRS}")
  set(CORVEL_JPEG_LIBRARY "${JPEG_LIBRARIES}")
endif()
if(NOT CORVEL_JPEG_INCLUDE OR NOT CORVEL_JPEG_LIBRARY)
  message(FATAL_ERROR "libjpeg not found under CORVEL_LIBJPEG_ROOT=${CORVEL_LIBJPEG_ROOT}")
endif()

add_library(corvel_jpeg INTERFACE IMPORTED)
set_target_properties(corvel_jpeg PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${CORVEL_JPEG_INCLUDE}"
                                             INTERFACE_LINK_LIBRARIES "${CORVEL_JPEG_LIBRARY}")
