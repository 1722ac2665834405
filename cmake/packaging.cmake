# Debian packages through CPack: `cpack -G DEB` in the build folder writes
#   dexmora-cli_<version>_<arch>.deb     component cli
#   dexmora_<version>_<arch>.deb         component app (when DEXMORA_GUI is on)
#   libdexmora-dev_<version>_<arch>.deb  component dev
#   dexmora-serve_<version>_<arch>.deb   component serve (when DEXMORA_SERVE is on)
#   python3-dexmora_<version>_<arch>.deb component python (when DEXMORA_PYTHON is on)
set(dexmora_components cli dev)
if(DEXMORA_GUI)
  list(APPEND dexmora_components app)
endif()
if(TARGET dexmora-serve)
  list(APPEND dexmora_components serve)
endif()
if(TARGET dexmora_python)
  list(APPEND dexmora_components python)
endif()
set(DEXMORA_PACKAGE_cli dexmora-cli)
set(DEXMORA_PACKAGE_app dexmora)
set(DEXMORA_PACKAGE_dev libdexmora-dev)
set(DEXMORA_PACKAGE_serve dexmora-serve)
set(DEXMORA_PACKAGE_python python3-dexmora)

# Every package carries its copyright and changelog in /usr/share/doc/<package>,
# as Debian policy asks of each binary package.
set(dexmora_copyright [=[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Dexmora

Files: *
Copyright: 2026 Dexmora developers
License: Expat

Files: core/gs1_table.cpp
Copyright: 2020-2021 BWIPP project
           2020-2021 Zint Project
           2021-2025 GS1 AISBL
License: Apache-2.0
Comment: The application identifier table is derived from GS1's Barcode Syntax
 Dictionary; the library packages and the programs contain it.

License: Expat
 Permission is hereby granted, free of charge, to any person obtaining a copy
 of this software and associated documentation files (the "Software"), to deal
 in the Software without restriction, including without limitation the rights
 to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
 copies of the Software, and to permit persons to whom the Software is
 furnished to do so, subject to the following conditions:
 .
 The above copyright notice and this permission notice shall be included in
 all copies or substantial portions of the Software.
 .
 THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
 IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
 FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
 AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
 LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
 OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
 SOFTWARE.

License: Apache-2.0
 Licensed under the Apache License, Version 2.0 (the "License");
 you may not use this file except in compliance with the License.
 You may obtain a copy of the License at
 .
 http://www.apache.org/licenses/LICENSE-2.0
 .
 Unless required by applicable law or agreed to in writing, software
 distributed under the License is distributed on an "AS IS" BASIS,
 WITHOUT WARRANTIES OR CONDITIONS OF ANY KIND, either express or implied.
 See the License for the specific language governing permissions and
 limitations under the License.
 .
 On Debian systems, the complete text of the Apache License, Version 2.0
 can be found in "/usr/share/common-licenses/Apache-2.0".
]=])
set(DEXMORA_DEBIAN_REVISION 1)
set(DEXMORA_MAINTAINER "Dexmora developers <dexmora@users.noreply.invalid>")

set(doc_root ${PROJECT_BINARY_DIR}/package-doc)
foreach(component ${dexmora_components})
  set(package ${DEXMORA_PACKAGE_${component}})
  file(MAKE_DIRECTORY ${doc_root}/${package})
  file(WRITE ${doc_root}/${package}/copyright "${dexmora_copyright}")
  file(WRITE ${doc_root}/${package}/changelog.Debian
    "${package} (${PROJECT_VERSION}-${DEXMORA_DEBIAN_REVISION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- ${DEXMORA_MAINTAINER}  Thu, 01 Jan 2026 00:00:00 +0000\n")
  # -n leaves the time stamp out, so the same sources give the same package.
  execute_process(COMMAND gzip -9nf ${doc_root}/${package}/changelog.Debian)
  install(FILES ${doc_root}/${package}/copyright ${doc_root}/${package}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dexmora)
set(CPACK_PACKAGE_VENDOR "Dexmora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${DEXMORA_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${dexmora_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${DEXMORA_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DEXMORA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps sees the shared libraries the programs link; what they load
# at run time or only show (Qt's platform plugin and translations, a CJK font
# for the captions) and what the static libraries need to link, it cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME dexmora-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION "Data Matrix ECC200 symbol generator (command line)
dexmora-cli encodes a text as a Data Matrix ECC200 symbol, square, rectangular
or DMRE, with any encodation, GS1 element strings, ECI and structured append,
and writes it as PNG, SVG, PDF, EPS or a terminal preview. It can also write
one symbol per line of a list, on several threads.")

set(CPACK_DEBIAN_APP_PACKAGE_NAME dexmora)
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_APP_DESCRIPTION "Data Matrix ECC200 symbol generator (dialog)
Dexmora is a small Qt dialog: type a text of up to 12 bytes, pick one of the
24 square symbol sizes and it writes the Data Matrix symbol as output.png in
the current directory.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libdexmora-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${DEXMORA_DEV_DEPENDS}")
set(CPACK_DEBIAN_DEV_DESCRIPTION "Data Matrix ECC200 encoder and renderer (development files)
The Dexmora libraries as static archives with their headers: dexmora_core
encodes a text into a Data Matrix ECC200 symbol, dexmora_render draws it as
PNG, SVG, PDF or EPS. find_package(Dexmora) gives the CMake targets
Dexmora::core and Dexmora::render; pkg-config knows them as dexmora.")

set(CPACK_DEBIAN_SERVE_PACKAGE_NAME dexmora-serve)
set(CPACK_DEBIAN_SERVE_PACKAGE_SECTION httpd)
set(CPACK_DEBIAN_SERVE_DESCRIPTION "Data Matrix ECC200 symbols over HTTP
dexmora-serve answers HTTP requests for Data Matrix ECC200 symbols as PNG,
SVG, PDF, EPS, text or JSON, with the command line's options as query
parameters, so that web shops, ERP and label systems can ask for a picture
by URL. It serves a generator page, health and Prometheus metrics, and comes
with a hardened systemd unit that is not enabled by default.")

if(TARGET dexmora_python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-dexmora)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${DEXMORA_PYTHON_DEB_DEPENDS}")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Data Matrix ECC200 symbol generator (Python 3 module)
The dexmora module encodes text or bytes as a Data Matrix ECC200 symbol,
square, rectangular or DMRE, with any encodation, GS1 element strings, ECI
and structured append, and draws it as PNG, SVG, PDF, EPS or terminal text.
A Symbol gives its modules to numpy without a copy and shows itself in
Jupyter; encode_many() encodes lists on several threads.")
endif()

include(CPack)
