# Decides whether the Python package is built (VQ_PYTHON_ENABLED): by default
# when the interpreter, its headers, pybind11 and numpy are all found.

# `python3` on PATH may be a private interpreter (pyenv, a venv) without the
# distribution's numpy and pybind11; the module must be built for, and its
# tests run by, the interpreter that has them, which on Debian is
# /usr/bin/python3. Setting Python3_EXECUTABLE chooses another one.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Python interpreter")
endif()

set(_vq_python_missing)
find_package(Python3 3.8 COMPONENTS Interpreter Development.Module QUIET)
if(NOT Python3_Interpreter_FOUND)
    list(APPEND _vq_python_missing "Python 3.8+ interpreter")
elseif(NOT Python3_Development.Module_FOUND)
    list(APPEND _vq_python_missing "Python headers (python3-dev)")
else()
    find_package(pybind11 2.6 CONFIG QUIET)
    if(NOT pybind11_FOUND)
        list(APPEND _vq_python_missing "pybind11 (pybind11-dev)")
    endif()
    execute_process(COMMAND ${Python3_EXECUTABLE} -c "import numpy"
        RESULT_VARIABLE _numpy_rc OUTPUT_QUIET ERROR_QUIET)
    if(NOT _numpy_rc EQUAL 0)
        list(APPEND _vq_python_missing "numpy for ${Python3_EXECUTABLE} (python3-numpy)")
    endif()
endif()

# AUTO is decided anew at every configure, so that installing the packages
# later is enough; ON insists, OFF leaves the package out.
set(VQ_BUILD_PYTHON AUTO CACHE STRING "Build the Python package vq (pybind11, numpy): AUTO, ON or OFF")
set_property(CACHE VQ_BUILD_PYTHON PROPERTY STRINGS AUTO ON OFF)
list(JOIN _vq_python_missing ", " _missing)
if(VQ_BUILD_PYTHON STREQUAL "AUTO")
    # A module loaded into an uninstrumented interpreter cannot carry the
    # sanitizer runtimes, so sanitized builds leave the package out.
    if(_vq_python_missing OR VQ_SANITIZED)
        set(VQ_PYTHON_ENABLED OFF)
    else()
        set(VQ_PYTHON_ENABLED ON)
    endif()
elseif(VQ_BUILD_PYTHON)
    if(_vq_python_missing)
        message(FATAL_ERROR "VQ_BUILD_PYTHON needs ${_missing}")
    endif()
    set(VQ_PYTHON_ENABLED ON)
else()
    set(VQ_PYTHON_ENABLED OFF)
endif()

if(VQ_PYTHON_ENABLED)
    message(STATUS "Python package vq for ${Python3_EXECUTABLE}")
elseif(_vq_python_missing)
    message(STATUS "Python package vq not built: no ${_missing}")
elseif(VQ_SANITIZED)
    message(STATUS "Python package vq left out of the sanitized build")
endif()
