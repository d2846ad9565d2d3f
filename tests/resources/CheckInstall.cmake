# Installs the build under a DESTDIR with the prefix given at install time,
# and checks each file the installation must hold: the program runs and tells
# its version, each PNG icon is a PNG of its folder's size, each manual page
# renders without a warning and names every option and picture format that
# --help names, the metainfo's release is the changelog's. Then AppStream
# checks the installed tree as a whole: the metainfo with the desktop entry
# it launches.
cmake_policy(VERSION 3.25)
set(prefix /usr)
foreach(needed BUILD_DIR SOURCE_DIR STAGE APP_ID VERSION PROGRAM_DIR APPSTREAMCLI GZIP MAN)
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

# The release the changelog (a Debian changelog, as a native package's is)
# opens with: "tesserin (<version>) ...", signed " -- <who>  <day>, DD Mon YYYY ...".
file(STRINGS ${SOURCE_DIR}/NEWS.md news)
list(GET news 0 header)
list(FILTER news INCLUDE REGEX "^ -- ")
list(GET news 0 signature)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
if(NOT header MATCHES "^tesserin \\(([^)]+)\\) " OR NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "NEWS.md does not open with the release ${VERSION}: '${header}'")
endif()
if(NOT signature MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "NEWS.md's first release has no date: '${signature}'")
endif()
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1")
string(LENGTH "${month}" digits)
if(digits EQUAL 1)
  set(month "0${month}")
endif()
set(release_date ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})

# path under the prefix | what it must be: "program", "line:<a line it holds>"
# (leading spaces aside), "gzip:<file>" (the source tree's file, compressed),
# "manual" (a manual page), or a PNG's size. The desktop entry, the metainfo
# and the icon must name each other as installed (AppStream below holds the
# metainfo's own id and launchable).
set(expected
  "${PROGRAM_DIR}/tesserin|program"
  "share/doc/tesserin/README.md|line:# tesserin"
  "share/doc/tesserin/copyright|line:Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  "share/doc/tesserin/copyright|line:License: Expat"
  "share/doc/tesserin/changelog.gz|gzip:NEWS.md"
  "share/man/man6/tesserin.6.gz|manual"
  "share/man/ja/man6/tesserin.6.gz|manual"
  "share/applications/${APP_ID}.desktop|line:[Desktop Entry]"
  "share/applications/${APP_ID}.desktop|line:Exec=tesserin %f"
  "share/applications/${APP_ID}.desktop|line:Icon=tesserin"
  "share/metainfo/${APP_ID}.metainfo.xml|line:<binary>tesserin</binary>"
  "share/metainfo/${APP_ID}.metainfo.xml|line:<project_license>MIT</project_license>"
  "share/metainfo/${APP_ID}.metainfo.xml|line:<release version=\"${VERSION}\" date=\"${release_date}\">"
  "share/icons/hicolor/scalable/apps/tesserin.svg|line:<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
  "share/icons/hicolor/16x16/apps/tesserin.png|16"
  "share/icons/hicolor/24x24/apps/tesserin.png|24"
  "share/icons/hicolor/32x32/apps/tesserin.png|32"
  "share/icons/hicolor/48x48/apps/tesserin.png|48"
  "share/icons/hicolor/64x64/apps/tesserin.png|64"
  "share/icons/hicolor/128x128/apps/tesserin.png|128"
  "share/icons/hicolor/256x256/apps/tesserin.png|256")

# What --help names: its options, and the picture formats in parentheses.
execute_process(COMMAND ${root}/${PROGRAM_DIR}/tesserin --help OUTPUT_VARIABLE usage)
string(REGEX MATCHALL "(^|[ \n])--?[a-z]+" options "${usage}")
string(REGEX MATCH "\\(([A-Z][A-Za-z0-9/, ]*)\\)" formats "${usage}")
string(REPLACE ", " ";" formats "${CMAKE_MATCH_1}")
list(TRANSFORM options STRIP)
list(APPEND options ${formats})
if(NOT formats OR NOT "--help" IN_LIST options)
  message(FATAL_ERROR "tesserin --help names no options or formats:\n${usage}")
endif()

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
  elseif(want STREQUAL "manual")
    # As man shows it in a UTF-8 locale, with every groff warning on.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80 ${MAN} --warnings -l ${file}
      RESULT_VARIABLE status OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
    if(NOT status EQUAL 0 OR warnings)
      string(APPEND faults "  ${path}: man says (status ${status}):\n${warnings}\n")
    endif()
    foreach(named IN LISTS options)
      string(FIND "${page}" "${named}" at)
      if(at LESS 0)
        string(APPEND faults "  ${path}: does not name '${named}', which --help names\n")
      endif()
    endforeach()
  elseif(want MATCHES "^gzip:(.*)$")
    execute_process(COMMAND ${GZIP} -dc ${file} OUTPUT_VARIABLE unpacked RESULT_VARIABLE status)
    file(READ ${SOURCE_DIR}/${CMAKE_MATCH_1} source)
    if(NOT status EQUAL 0 OR NOT unpacked STREQUAL source)
      string(APPEND faults "  ${path}: not ${CMAKE_MATCH_1} compressed (gzip status ${status})\n")
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
