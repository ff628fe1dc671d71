# Installs a shared library of this family with its public headers, a pkg-config file and a
# CMake package config, all in one install component named after the package, so that
# `cmake --install <build> --component <package>` installs just that library.
include(CMakePackageConfigHelpers)

set(_library_package_dir ${CMAKE_CURRENT_LIST_DIR})

# library_package(TARGET tgt PACKAGE name DESCRIPTION text HEADER_DIRS dir... [PROGRAMS tgt...])
function(library_package)
    cmake_parse_arguments(P "" "TARGET;PACKAGE;DESCRIPTION" "HEADER_DIRS;PROGRAMS" ${ARGN})
    set(component ${P_PACKAGE})
    set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${P_PACKAGE})

    install(TARGETS ${P_TARGET} ${P_PROGRAMS} EXPORT ${P_PACKAGE}Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${component}
                NAMELINK_COMPONENT ${component}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
    foreach(dir ${P_HEADER_DIRS})
        install(DIRECTORY ${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT ${component}
                FILES_MATCHING PATTERN "*.h")
    endforeach()
    install(EXPORT ${P_PACKAGE}Targets NAMESPACE ${P_PACKAGE}:: DESTINATION ${cmake_dir}
            COMPONENT ${component})

    set(PACKAGE_NAME ${P_PACKAGE})
    configure_package_config_file(${_library_package_dir}/PackageConfig.cmake.in
        ${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}Config.cmake INSTALL_DESTINATION ${cmake_dir})
    write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}ConfigVersion.cmake
        VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}Config.cmake
                  ${CMAKE_CURRENT_BINARY_DIR}/${P_PACKAGE}ConfigVersion.cmake
            DESTINATION ${cmake_dir} COMPONENT ${component})

    # The .pc file finds the prefix from its own place, so `cmake --install --prefix DIR`
    # gives a working file wherever DIR is.
    set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
    file(RELATIVE_PATH PC_PREFIX_FROM_PCDIR /root/${pc_dir} /root)
    string(REGEX REPLACE "/$" "" PC_PREFIX_FROM_PCDIR "${PC_PREFIX_FROM_PCDIR}")
    set(PC_NAME lib${P_PACKAGE})
    set(PC_DESCRIPTION "${P_DESCRIPTION}")
    set(PC_LIBRARY ${P_PACKAGE})
    configure_file(${_library_package_dir}/library.pc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/lib${P_PACKAGE}.pc @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lib${P_PACKAGE}.pc DESTINATION ${pc_dir}
            COMPONENT ${component})
endfunction()
