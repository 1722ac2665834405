# Run by CPack (CPACK_POST_BUILD_SCRIPTS) once the packages are written.
# CPack gives every package with a library under /usr/lib a postinst and a
# postrm that call ldconfig; libdexmora1 has the ldconfig trigger instead,
# which runs it once for all packages of a dpkg run, so its package is
# rebuilt without them (lintian: maintscript-calls-ldconfig), as dpkg-deb
# and Debian's helpers would have made it.
foreach(deb ${CPACK_PACKAGE_FILES})
  get_filename_component(name ${deb} NAME)
  if(NOT name MATCHES "^libdexmora1_")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb could not unpack ${deb}")
  endif()
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${deb}
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  file(REMOVE_RECURSE ${tree})
  if(failed)
    message(FATAL_ERROR "dpkg-deb could not pack ${deb} again")
  endif()
endforeach()
