# Installs both libraries with their headers, a CMake package
# (find_package(VQ) gives VQ::VQmatrices and VQ::VQ2D3D) and pkg-config files.
include(CMakePackageConfigHelpers)

# VQ2D3D finds VQmatrices beside itself, wherever the prefix is.
set_target_properties(VQ2D3D PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS VQmatrices VQ2D3D EXPORT VQTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(VQ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VQ)
install(EXPORT VQTargets NAMESPACE VQ:: DESTINATION ${VQ_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VQConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VQConfig.cmake INSTALL_DESTINATION ${VQ_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VQConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VQConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VQConfigVersion.cmake
        DESTINATION ${VQ_CMAKE_DIR})

# The .pc files locate the prefix from their own folder, so an installed tree
# can be moved.
file(RELATIVE_PATH PC_PREFIX_REL "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
foreach(_lib VQmatrices VQ2D3D)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${_lib}.pc.in
        ${CMAKE_CURRENT_BINARY_DIR}/${_lib}.pc @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${_lib}.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
