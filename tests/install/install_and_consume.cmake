file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
    set(err "${err}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# find_package route
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)

# The tool (when built): runs from the prefix with no library path set, and its
# manual page is well-formed roff (line breaking is layout, not form).
if(VQ_VERSION)
    run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${prefix}/bin/vq --version)
    if(NOT out STREQUAL "vq ${VQ_VERSION}\n")
        message(FATAL_ERROR "installed vq --version prints '${out}', not 'vq ${VQ_VERSION}'")
    endif()
    set(man ${prefix}/share/man/man1/vq.1)
    find_program(GROFF groff)
    if(GROFF)
        run(${GROFF} -man -Tutf8 -ww -Wbreak -z ${man})
        if(err)
            message(FATAL_ERROR "groff finds faults in ${man}:\n${err}")
        endif()
    else()
        file(STRINGS ${man} head LIMIT_COUNT 1)
        if(NOT head MATCHES "^\\.TH VQ 1 ")
            message(FATAL_ERROR "${man} is not the manual page vq(1)")
        endif()
    endif()
endif()

# pkg-config route
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
    set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig:${prefix}/lib64/pkgconfig:${prefix}/lib/x86_64-linux-gnu/pkgconfig)
    execute_process(COMMAND ${PKG_CONFIG} --cflags --libs VQ2D3D VQmatrices
        OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "pkg-config does not find the installed VQ2D3D")
    endif()
    separate_arguments(flags)
    run(cc -std=c99 ${CONSUMER_DIR}/consumer.c ${flags} -o ${WORK_DIR}/consumer_pc)
    file(GLOB libdirs LIST_DIRECTORIES true ${prefix}/lib*)
    string(REPLACE ";" ":" libpath "${libdirs}")
    run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libpath} ${WORK_DIR}/consumer_pc)
endif()

# Python route: the installed package, with the libraries found from its own folder.
if(PYTHON)
    if(IS_ABSOLUTE ${PYTHON_DIR})
        message(FATAL_ERROR "VQ_PYTHON_INSTALL_DIR is absolute; the package would leave the scratch prefix")
    endif()
    run(${CMAKE_COMMAND} -E env PYTHONPATH=${prefix}/${PYTHON_DIR} ${PYTHON} -c "
import os, vq
prefix = os.path.realpath('${prefix}')
assert os.path.realpath(vq.__file__).startswith(prefix), vq.__file__
libraries = {line.split()[-1] for line in open('/proc/self/maps') if 'libVQ' in line}
assert libraries and all(os.path.realpath(p).startswith(prefix) for p in libraries), libraries
r = vq.fit_similarity2d([[0, 0], [1, 0]], [[10, 20], [10, 22]])
assert (r.scale, r.cos, r.sin) == (2, 0, 1), r
")
endif()
