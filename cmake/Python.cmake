# Decides whether the Python package is built: VQ_BUILD_PYTHON is on by default
# when the interpreter, its headers, pybind11 and numpy are all found.

# `python3` on PATH may be a private interpreter (pyenv, a venv) without the
# distribution's numpy and pybind11; the module must be built for, and its
# tests run by, the interpreter that has them, which on Debian is
# /usr/bin/python3. Setting Python3_EXECUTABLE chooses another one.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Python interpreter")
endif()

# A module loaded into an uninstrumented interpreter cannot carry the
# sanitizer runtimes, so sanitized builds leave the package out by default.
set(_vq_python_missing)
find_package(Python3 3.8 COMPONENTS Interpreter Development.Module QUIET)
if(NOT Python3_Interpreter_FOUND)
    list(APPEND _vq_python_missing "a Python 3.8+ interpreter")
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

if(_vq_python_missing OR VQ_SANITIZED)
    set(_vq_python_default OFF)
else()
    set(_vq_python_default ON)
endif()
option(VQ_BUILD_PYTHON "Build the Python package vq (pybind11, numpy)" ${_vq_python_default})

if(VQ_BUILD_PYTHON AND _vq_python_missing)
    list(JOIN _vq_python_missing ", " _missing)
    message(FATAL_ERROR "VQ_BUILD_PYTHON needs ${_missing}")
endif()
if(VQ_BUILD_PYTHON)
    message(STATUS "Python package vq for ${Python3_EXECUTABLE}")
elseif(_vq_python_missing)
    list(JOIN _vq_python_missing ", " _missing)
    message(STATUS "Python package vq not built: no ${_missing}")
endif()
