# Installs the build into an empty DESTDIR under /usr and compares what
# arrived with the expected layout. Run by ctest as:
#   cmake -DBUILD=<build folder> -DSTAGE=<scratch folder> -P CheckInstall.cmake
set(id org.travelia.Travelia)
set(expected
  usr/bin/travelia
  usr/bin/travelia-cli
  usr/share/applications/${id}.desktop
  usr/share/metainfo/${id}.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/${id}.svg
  usr/share/man/man1/travelia-cli.1.gz
  usr/share/man/man1/travelia.1.gz
  usr/share/man/fr/man1/travelia.1.gz
  usr/share/doc/travelia/aide.txt)
foreach(size 16 22 24 32 48 64 128 256 512)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/${id}.png)
endforeach()

file(REMOVE_RECURSE ${STAGE})
set(ENV{DESTDIR} ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()

file(GLOB_RECURSE installed RELATIVE ${STAGE} ${STAGE}/*)
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " got "${installed}")
  string(REPLACE ";" "\n  " want "${expected}")
  message(FATAL_ERROR "installed files differ from the expected layout\ngot:\n  ${got}\nexpected:\n  ${want}")
endif()

# Each file is what it claims: sized icons, a readable manual page, programs.
foreach(size 16 512)
  file(READ ${STAGE}/usr/share/icons/hicolor/${size}x${size}/apps/${id}.png header LIMIT 24 HEX)
  # PNG signature, then the IHDR width and height.
  math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${hex_size}" 2 -1 digits)
  string(LENGTH "${digits}" n)
  math(EXPR pad "8 - ${n}")
  string(REPEAT "0" ${pad} zeros)
  string(TOLOWER "${zeros}${digits}" field)
  if(NOT header MATCHES "^89504e470d0a1a0a0000000d49484452${field}${field}")
    message(FATAL_ERROR "icon ${size}x${size} is not a ${size}x${size} PNG: ${header}")
  endif()
endforeach()
execute_process(COMMAND ${STAGE}/usr/bin/travelia-cli --version RESULT_VARIABLE status OUTPUT_VARIABLE version)
if(NOT status EQUAL 0 OR NOT version MATCHES "^travelia-cli \\(Travelia\\) ")
  message(FATAL_ERROR "the installed travelia-cli does not run: ${status} ${version}")
endif()
file(READ ${STAGE}/usr/share/doc/travelia/aide.txt help)
if(NOT help MATCHES "MODE d'EMPLOI RAPIDE:")
  message(FATAL_ERROR "the installed help text is not the program's")
endif()
file(REMOVE_RECURSE ${STAGE})
