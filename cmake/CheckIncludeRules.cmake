# Refuses an include that crosses the folder rules of app/: run by the build
# (cmake -P) before any of app/'s libraries compile, so that what may include
# what is enforced, not only a habit.
#
#   cmake -DSOURCE_DIR=<project> -DSTAMP=<file> -P CheckIncludeRules.cmake
#
# Each rule: a folder, the project folders its files may include (itself
# always), and whether libssh may be included. Qt modules are kept apart by
# the targets' links: app_core sees no QtNetwork or QtWidgets headers at all.

cmake_minimum_required(VERSION 3.25)

set(rules
  "app/jpeg|platform|no"
  "app/core|app/jpeg,platform|no"
  "app/settings|app/core,platform|no"
  "app/trust|app/core,platform|no"
  "app/net|app/core,ftp,platform|yes"
  "app/clipboard|platform|no"
  "app/record|app/core,platform|no"
  "app|app/core,app/jpeg,app/settings,app/trust,app/net,app/record,platform|no"
  "app/cli|app,app/core,app/clipboard,qr,platform|no"
  "app/gui|app,app/core,app/clipboard,qr,platform|no")

set(violations "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 allowed)
  list(GET parts 2 libssh)
  string(REPLACE "," ";" allowed "${allowed}")
  list(APPEND allowed "${folder}")
  file(GLOB files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    set(file_allowed ${allowed})
    # The program's entry points pick its front: main the window or the
    # terminal, the window module's entry the window (or the terminal, when
    # Qt's options came first).
    get_filename_component(name "${file}" NAME)
    if(folder STREQUAL "app" AND name MATCHES "^(main\\.cpp|WindowProgram\\.(h|cpp))$")
      list(APPEND file_allowed app/cli app/gui app/clipboard)
    endif()
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" target "${line}")
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
      if(target MATCHES "^libssh/" AND NOT libssh STREQUAL "yes")
        list(APPEND violations "${shown}: <${target}> (only app/net may use libssh)")
      endif()
      # A project header: its folder must be one the rule allows.
      if(target MATCHES "^(app|ftp|qr|platform)/")
        get_filename_component(target_folder "${target}" DIRECTORY)
        if(NOT target_folder IN_LIST file_allowed)
          list(JOIN file_allowed ", " may)
          list(APPEND violations "${shown}: \"${target}\" (${folder}/ may include ${may})")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes across the folder rules of app/ (see README, Layout):\n  ${text}")
endif()
file(TOUCH "${STAMP}")
