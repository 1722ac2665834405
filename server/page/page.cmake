# The generator page: index.html is embedded into the program as a raw string
# literal when CMake configures, so the binary serves "/" with no files beside
# it. The same index.html always gives the same source file.
include_guard(GLOBAL)

set(dexmora_page_dir ${CMAKE_CURRENT_LIST_DIR})
set(dexmora_page_out ${PROJECT_BINARY_DIR}/server/page)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dexmora_page_dir}/index.html)
file(READ ${dexmora_page_dir}/index.html DEXMORA_PAGE_HTML)
string(FIND "${DEXMORA_PAGE_HTML}" ")dexmora_page\"" dexmora_page_delimiter)
if(NOT dexmora_page_delimiter EQUAL -1)
  message(FATAL_ERROR "index.html contains the raw string's closing delimiter )dexmora_page\"")
endif()
configure_file(${dexmora_page_dir}/page_template.cpp.in ${dexmora_page_out}/page_template.cpp @ONLY)
unset(DEXMORA_PAGE_HTML)

add_library(dexmora_serve_page STATIC ${dexmora_page_dir}/page.cpp ${dexmora_page_out}/page_template.cpp)
# Callers include "page/page.h".
target_include_directories(dexmora_serve_page PUBLIC ${PROJECT_SOURCE_DIR}/server PRIVATE ${dexmora_page_dir})
target_link_libraries(dexmora_serve_page PRIVATE Dexmora::dexmora)
dexmora_warnings(dexmora_serve_page)
