# Decides whether the Python module qzremote can be built here, before the option
# QZ_BUILD_PYTHON takes its default from it: it needs pybind11 and the headers of
# Debian's /usr/bin/python3 (not of another python3 that PATH may find first), and it is
# left out of sanitizer builds, which Debian's python cannot load without LD_PRELOAD.
# Sets QZ_PYTHON_FOUND, and with it Python_* (FindPython) and the pybind11 targets.
set(QZ_PYTHON_EXECUTABLE /usr/bin/python3 CACHE FILEPATH
    "The Python interpreter the module qzremote is built for")
set(QZ_PYTHON_FOUND OFF)
set(qz_python_missing "")
if(QZ_SANITIZE OR QZ_TSAN)
  set(qz_python_missing "a sanitizer build")
elseif(NOT EXISTS ${QZ_PYTHON_EXECUTABLE})
  set(qz_python_missing "no ${QZ_PYTHON_EXECUTABLE}")
else()
  set(Python_EXECUTABLE ${QZ_PYTHON_EXECUTABLE})
  find_package(Python 3.8 QUIET COMPONENTS Interpreter Development.Module)
  if(NOT Python_Development.Module_FOUND)
    set(qz_python_missing "no headers of ${QZ_PYTHON_EXECUTABLE}: install python3-dev")
  else()
    set(PYBIND11_FINDPYTHON ON)
    find_package(pybind11 2.6 CONFIG QUIET)
    if(NOT pybind11_FOUND)
      set(qz_python_missing "no pybind11: install pybind11-dev")
    endif()
  endif()
endif()
if(qz_python_missing)
  message(STATUS "Python module qzremote: not built (${qz_python_missing})")
else()
  set(QZ_PYTHON_FOUND ON)
endif()
unset(qz_python_missing)
