# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) once every component is installed
# into its staging folder and before the packages are made. Does for each
# package what Debian's helpers would: adds /usr/share/doc/<package>, strips
# the ELF files with dh_strip's options, and shows dpkg-shlibdeps this
# build's libdexmora.so.1 as the package libdexmora1 being built. Refuses a build without Debian's
# hardening flags, whose packages would not meet the project's lintian bar.
if(NOT CPACK_DEXMORA_HARDENED)
  message(FATAL_ERROR "These packages would lack Debian's hardening: configure a plain (not sanitized) "
                      "build with dpkg-dev installed and -DDEXMORA_DEB_BUILD=ON (the preset \"package\").")
endif()

# The components of this run: all of them, or those a -D CPACK_COMPONENTS_ALL names.
if(NOT CPACK_COMPONENTS_ALL)
  set(CPACK_COMPONENTS_ALL ${CPACK_DEXMORA_COMPONENTS})
endif()
foreach(component ${CPACK_COMPONENTS_ALL})
  set(package ${CPACK_DEXMORA_PACKAGE_${component}})
  set(stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX})
  if(NOT IS_DIRECTORY ${stage})
    message(FATAL_ERROR "CPack staged no files for component ${component} at ${stage}")
  endif()
  # file(COPY), not file(INSTALL): CPack's DESTDIR is still set here.
  file(COPY ${CPACK_DEXMORA_DOC_ROOT}/${package}/copyright ${CPACK_DEXMORA_DOC_ROOT}/${package}/changelog.Debian.gz
       DESTINATION ${stage}/share/doc/${package}
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

  file(GLOB_RECURSE files LIST_DIRECTORIES false ${stage}/*)
  set(has_elf OFF)
  foreach(file ${files})
    if(IS_SYMLINK ${file})
      continue()
    endif()
    file(READ ${file} magic LIMIT 8 HEX)
    if(magic MATCHES "^7f454c46")
      # Programs and shared objects: no symbols, no compiler version notes.
      set(options --remove-section=.comment --remove-section=.note --strip-unneeded)
      set(has_elf ON)
    elseif(file MATCHES "\\.a$" AND magic STREQUAL "213c617263683e0a")
      # Static libraries keep their symbols; archives stay deterministic.
      set(options --strip-debug --remove-section=.comment --remove-section=.note
                  --enable-deterministic-archives)
    else()
      continue()
    endif()
    execute_process(COMMAND ${CPACK_DEXMORA_STRIP} ${options} ${file} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "strip failed on ${file}")
    endif()
  endforeach()

  # dpkg-shlibdeps, run by CPack in the component's folder for its ELF
  # files, takes a library's dependency from debian/<package>/DEBIAN/symbols
  # when it finds the library in that package's tree; CPack removes debian/
  # before packing. Programs then depend on libdexmora1 (>= the version that
  # brought the newest symbol they use), though it is not installed here.
  if(has_elf AND NOT component STREQUAL "lib")
    include(${CPACK_DEXMORA_LIBRARY_FILE})
    set(tree ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${component}/debian/libdexmora1)
    # A link, not a copy: CPack runs dpkg-shlibdeps on every ELF file of the
    # folder, and the library's own dependencies are not the programs'.
    file(COPY ${CPACK_DEXMORA_SYMBOLS} DESTINATION ${tree}/DEBIAN)
    set(libdir ${tree}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_DEXMORA_LIBDIR})
    file(MAKE_DIRECTORY ${libdir})
    file(REAL_PATH ${CPACK_DEXMORA_LIBRARY} library)
    file(CREATE_LINK ${library} ${libdir}/libdexmora.so.1 SYMBOLIC)
  endif()
endforeach()
