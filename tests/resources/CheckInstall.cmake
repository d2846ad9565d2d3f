# Installs the build under a DESTDIR with the prefix given at install time,
# and checks each file the installation must hold: the program runs and tells
# its version, each PNG icon is a PNG of its folder's size. Then AppStream
# checks the installed tree as a whole: the metainfo with the desktop entry
# it launches.
set(prefix /usr)
foreach(needed BUILD_DIR STAGE APP_ID VERSION APPSTREAMCLI)
  if(NOT ${needed})
    message(FATAL_ERROR "${needed} not given")
  endif()
endforeach()
set(root ${STAGE}${prefix})
file(REMOVE_RECURSE ${STAGE})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${log}")
endif()

# path under the prefix | what it must be: "program", "line:<a line it holds>"
# (leading spaces aside), or a PNG's size. The desktop entry, the metainfo
# and the icon must name each other as installed (AppStream below holds the
# metainfo's own id and launchable).
set(expected
  "bin/tesserin|program"
  "share/doc/tesserin/README.md|line:# tesserin"
  "share/applications/${APP_ID}.desktop|line:[Desktop Entry]"
  "share/applications/${APP_ID}.desktop|line:Exec=tesserin %f"
  "share/applications/${APP_ID}.desktop|line:Icon=tesserin"
  "share/metainfo/${APP_ID}.metainfo.xml|line:<binary>tesserin</binary>"
  "share/icons/hicolor/scalable/apps/tesserin.svg|line:<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
  "share/icons/hicolor/16x16/apps/tesserin.png|16"
  "share/icons/hicolor/24x24/apps/tesserin.png|24"
  "share/icons/hicolor/32x32/apps/tesserin.png|32"
  "share/icons/hicolor/48x48/apps/tesserin.png|48"
  "share/icons/hicolor/64x64/apps/tesserin.png|64"
  "share/icons/hicolor/128x128/apps/tesserin.png|128"
  "share/icons/hicolor/256x256/apps/tesserin.png|256")

set(faults "")
foreach(entry IN LISTS expected)
  string(FIND "${entry}" "|" bar)
  string(SUBSTRING "${entry}" 0 ${bar} path)
  math(EXPR after "${bar} + 1")
  string(SUBSTRING "${entry}" ${after} -1 want)
  set(file ${root}/${path})
  if(NOT EXISTS ${file} OR IS_DIRECTORY ${file})
    string(APPEND faults "  ${path}: missing\n")
  elseif(want STREQUAL "program")
    execute_process(COMMAND ${file} --version RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0 OR NOT out STREQUAL "tesserin ${VERSION}\n")
      string(APPEND faults "  ${path}: --version gave '${out}' (status ${status})\n")
    endif()
  elseif(want MATCHES "^line:(.*)$")
    set(line "${CMAKE_MATCH_1}")
    file(STRINGS ${file} lines)
    set(found FALSE)
    foreach(held IN LISTS lines)
      string(STRIP "${held}" held)
      if(held STREQUAL line)
        set(found TRUE)
        break()
      endif()
    endforeach()
    if(NOT found)
      string(APPEND faults "  ${path}: no line '${line}'\n")
    endif()
  else()
    # Signature, then the IHDR chunk: width and height, 4 bytes each, big-endian.
    file(READ ${file} head HEX LIMIT 24)
    math(EXPR dimension "${want}" OUTPUT_FORMAT HEXADECIMAL)  # 0x10: padded to 00000010
    string(REGEX REPLACE "^0x" "0000000" dimension "${dimension}")
    string(REGEX MATCH "........$" dimension "${dimension}")
    if(NOT head STREQUAL "89504e470d0a1a0a0000000d49484452${dimension}${dimension}")
      string(APPEND faults "  ${path}: not a ${want} x ${want} PNG (starts ${head})\n")
    endif()
  endif()
endforeach()

if(faults)
  message(FATAL_ERROR "the installation under ${root} is wrong:\n${faults}")
endif()

execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net --strict ${STAGE}
  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed tree does not validate:\n${log}")
endif()
file(REMOVE_RECURSE ${STAGE})
