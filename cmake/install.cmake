# What `cmake --install` and the Debian packages put where. Components:
#   lib  libdexmora.so.1, the shared library
#   dev  headers, the .so link, the static libraries (with the sheet library), the CMake package and dexmora.pc
#   cli  dexmora-cli, its man page and bash completion
#   app  the dialog (its binary, desktop entry and icons come from app/), its man page
#   serve  dexmora-serve (its binary and systemd units come from server/), its man page
#   python  the Python package dexmora (python/), when DEXMORA_PYTHON is on
include(CMakePackageConfigHelpers)

# --version reads the version from here, so project(VERSION) is the one place to bump it.
configure_file(${PROJECT_SOURCE_DIR}/cli/version.h.in ${PROJECT_BINARY_DIR}/generated/cli/version.h @ONLY)
target_include_directories(dexmora-cli PRIVATE ${PROJECT_BINARY_DIR}/generated)

set(DEXMORA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Dexmora)

set_target_properties(dexmora_sheet PROPERTIES EXPORT_NAME sheet)
install(TARGETS dexmora dexmora_static dexmora_sheet EXPORT DexmoraTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
# Only include/dexmora is installed: the public headers, which include each
# other as <dexmora/...>. Every other header stays inside its library.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/dexmora
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT dev
        FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/dexmora/export.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dexmora COMPONENT dev)

# What the static library links privately, a static consumer links too: the
# package config finds it and dexmora.pc names it for --static; the sheet
# library's fonts come with the package config.
set(DEXMORA_PC_REQUIRES_PRIVATE "libpng zlib")
set(DEXMORA_DEV_DEPENDS "libpng-dev, libharfbuzz-dev, libfontconfig-dev, libfreetype-dev")

install(EXPORT DexmoraTargets NAMESPACE Dexmora:: DESTINATION ${DEXMORA_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/DexmoraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DexmoraConfig.cmake
  INSTALL_DESTINATION ${DEXMORA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DexmoraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DexmoraConfig.cmake ${PROJECT_BINARY_DIR}/DexmoraConfigVersion.cmake
        DESTINATION ${DEXMORA_CMAKE_DIR} COMPONENT dev)

# dexmora.pc finds its prefix from its own place, so the same file serves
# /usr, /usr/local and any --prefix (unless the install dirs are absolute).
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(DEXMORA_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(DEXMORA_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(DEXMORA_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH pc_up /prefix/${pc_dir} /prefix)
  set(DEXMORA_PC_PREFIX "\${pcfiledir}/${pc_up}")
  set(DEXMORA_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(DEXMORA_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/dexmora.pc.in ${PROJECT_BINARY_DIR}/dexmora.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/dexmora-static.pc.in ${PROJECT_BINARY_DIR}/dexmora-static.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/dexmora.pc ${PROJECT_BINARY_DIR}/dexmora-static.pc
        DESTINATION ${pc_dir} COMPONENT dev)

install(FILES ${PROJECT_SOURCE_DIR}/completion/dexmora-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)

# Man pages: scdoc source, roff gzipped as Debian ships them.
find_program(SCDOC scdoc)
if(NOT SCDOC)
  message(STATUS "scdoc not found: the man pages are not built (apt-get install scdoc)")
else()
  set(man_pages dexmora-cli:cli)
  if(DEXMORA_GUI)
    list(APPEND man_pages dexmora:app)
  endif()
  if(TARGET dexmora-serve)
    list(APPEND man_pages dexmora-serve:serve)
  endif()
  # The page's date is the release's, not the build's, so the same source
  # always gives the same page (SOURCE_DATE_EPOCH, when set, says otherwise).
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(man_epoch $ENV{SOURCE_DATE_EPOCH})
  else()
    set(man_epoch 1796601600)  # 2026-12-07, release 1.0
  endif()
  set(man_outputs "")
  foreach(entry ${man_pages})
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 page)
    list(GET entry 1 component)
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd)
    set(roff ${PROJECT_BINARY_DIR}/man/${page}.1)
    add_custom_command(OUTPUT ${roff} ${roff}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${man_epoch}
              sh -c "'${SCDOC}' < '${source}' > '${roff}' && gzip -9nc '${roff}' > '${roff}.gz'"
      DEPENDS ${source}
      COMMENT "Man page ${page}(1)"
      VERBATIM)
    list(APPEND man_outputs ${roff} ${roff}.gz)
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endforeach()
  add_custom_target(dexmora-man ALL DEPENDS ${man_outputs})
endif()

# The Python package goes where the prefix's Python looks, in Debian's
# layout: /usr/lib/python3/dist-packages for the prefix /usr (the packages),
# lib/python3.X/dist-packages under any other prefix (/usr/local's is on
# Debian's sys.path). Decided when installing, since CPack installs this
# same configuration with the prefix /usr.
if(TARGET dexmora_python)
  set(DEXMORA_PYTHON_INSTALL_DIR "" CACHE STRING
      "Where the package folder dexmora/ goes, relative to the prefix (empty: Debian's layout)")
  if(DEXMORA_PYTHON_INSTALL_DIR)
    install(CODE "set(DEXMORA_PYTHON_DIR \"${DEXMORA_PYTHON_INSTALL_DIR}\")" COMPONENT python)
  else()
    install(CODE "
      if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr/?$\")
        set(DEXMORA_PYTHON_DIR lib/python3/dist-packages)
      else()
        set(DEXMORA_PYTHON_DIR lib/python${DEXMORA_PYTHON_VERSION}/dist-packages)
      endif()" COMPONENT python)
  endif()
  install(TARGETS dexmora_python LIBRARY DESTINATION "\${DEXMORA_PYTHON_DIR}/dexmora" COMPONENT python)
  install(FILES ${DEXMORA_PYTHON_FILES} DESTINATION "\${DEXMORA_PYTHON_DIR}/dexmora" COMPONENT python)
endif()

# What ./run builds: every target an install copies, so that `cmake --install`
# after ./run never stops half-way, and the examples the README runs. A new
# install rule's target goes here too; the readme test installs ./run's build.
add_custom_target(dexmora-installable)
foreach(target dexmora dexmora_static dexmora_sheet dexmora-cli dexmora-sheet-writer dexmora-zxing-reader
               dexmora-app dexmora-serve dexmora_python dexmora-man encode_to_png svg_in_memory gs1_label_pdf)
  if(TARGET ${target})
    add_dependencies(dexmora-installable ${target})
  endif()
endforeach()
