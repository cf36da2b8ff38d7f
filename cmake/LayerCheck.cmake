# Refuses an include that points up the layers: base -> platform -> portable core -> Win32
# windows -> program entry, and a system header in portable code.
#   cmake -DROOT=<source tree> -P LayerCheck.cmake
#
# The portable folders in their order: a file may include (quoted, "folder/file.h") only
# folders at or below its own. "platform" is its interfaces (platform/*.h), not platform/win32;
# "ui" and "app" are their logic, not their win32 subfolders. The framework's subfolders are
# ordered too, so no two of them include each other.
set(portable_order
  base platform
  framework/paths framework/settings framework/threads framework/components
  framework/language framework/engine
  proxy browsers ui app)
# The Win32 folders, each with the pattern its quoted includes must match; app/Main.cpp is the
# program's Win32 entry. So the process's installed platform (app/AppPlatform.h) is reached only
# from app/ and the tests: every other folder is handed the platform it uses.
set(win32_rules
  "app/Main.cpp=.*"
  "app/win32/=.*"
  "ui/win32/=^(base/|platform/|framework/|proxy/|browsers/|ui/)"
  "platform/win32/=^(base/|platform/)")
# Angle includes that portable code may use: the C++ standard library (lowercase names
# without an extension), the C standard headers, and zlib, which every platform has.
# Everything else (<windows.h>, <winsock2.h>, <shlobj.h>, <unistd.h>, ...) belongs to a
# platform's own folder.
set(portable_system_headers
  "^([a-z_]+|(assert|ctype|errno|fenv|float|inttypes|limits|locale|math|stdarg|stddef|stdint|stdio|stdlib|string|time|uchar|wchar|wctype)\\.h|zlib\\.h)$")

cmake_minimum_required(VERSION 3.20)
if(NOT ROOT)
  message(FATAL_ERROR "LayerCheck: ROOT is not set")
endif()

# The pattern each portable folder's quoted includes must match: itself and every folder before it.
set(below "")
set(portable_rules "")
foreach(folder IN LISTS portable_order)
  if(folder STREQUAL "platform")
    list(APPEND below "platform/[^/]+$")
  elseif(folder MATCHES "^(ui|app)$")
    list(APPEND below "${folder}/[^/]+$")
  else()
    list(APPEND below "${folder}/")
  endif()
  list(JOIN below "|" alternatives)
  list(APPEND portable_rules "${folder}/=^(${alternatives})")
endforeach()

file(GLOB_RECURSE files RELATIVE "${ROOT}"
     "${ROOT}/base/*" "${ROOT}/platform/*" "${ROOT}/framework/*" "${ROOT}/proxy/*"
     "${ROOT}/browsers/*" "${ROOT}/ui/*" "${ROOT}/app/*")
set(faults "")
foreach(file IN LISTS files)
  if(NOT file MATCHES "\\.(h|cpp)$")
    continue()
  endif()
  # The first rule whose folder (or file) holds this file applies: the Win32 ones first.
  set(allowed "")
  set(portable TRUE)
  foreach(rule IN LISTS win32_rules portable_rules)
    string(FIND "${rule}" "=" eq)
    string(SUBSTRING "${rule}" 0 ${eq} folder)
    math(EXPR eq "${eq} + 1")
    string(SUBSTRING "${rule}" ${eq} -1 pattern)
    string(FIND "${file}" "${folder}" at)
    if(at EQUAL 0)
      set(allowed "${pattern}")
      if(rule IN_LIST win32_rules)
        set(portable FALSE)
      endif()
      break()
    endif()
  endforeach()
  if(NOT allowed)
    string(APPEND faults "  ${file} is in no layer\n")
    continue()
  endif()
  file(STRINGS "${ROOT}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      set(target "${CMAKE_MATCH_1}")
      if(portable AND NOT target MATCHES "${portable_system_headers}")
        string(APPEND faults "  ${file} includes <${target}>, a system header, outside the Win32 folders\n")
      endif()
      continue()
    endif()
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
    if(NOT target MATCHES "/")
      continue() # a file beside it
    endif()
    if(NOT target MATCHES "${allowed}")
      string(APPEND faults "  ${file} includes ${target}\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes must point down the layers (base, platform, framework's "
                      "paths, settings, threads, components, language, engine, then proxy, "
                      "browsers, ui, app, then the Win32 folders and the program entry), and only "
                      "the Win32 folders include system headers:\n${faults}")
endif()
