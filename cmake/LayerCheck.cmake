# Refuses an include that points up the layers: base -> platform -> portable core
# (framework, then proxy, browsers, ui and app logic) -> Win32 windows -> program entry.
#   cmake -DROOT=<source tree> -P LayerCheck.cmake
# Each rule is a folder, "=", and a regular expression that every quoted include of the
# folder's files must match; the first rule whose folder holds the including file applies.
set(rules
  "app/win32/=.*"
  "app/Main.cpp=.*"
  "ui/win32/=^(base/|platform/|framework/|proxy/|browsers/|ui/)"
  "platform/win32/=^(base/|platform/)"
  "platform/=^(base/|platform/[^/]+$)"
  "base/=^base/"
  "framework/=^(base/|platform/[^/]+$|framework/)"
  "proxy/=^(base/|platform/[^/]+$|framework/|proxy/|browsers/|ui/[^/]+$)"
  "browsers/=^(base/|platform/[^/]+$|framework/|proxy/|browsers/|ui/[^/]+$)"
  "ui/=^(base/|platform/[^/]+$|framework/|proxy/|browsers/|ui/[^/]+$)"
  "app/=^(base/|platform/[^/]+$|framework/|proxy/|browsers/|ui/[^/]+$|app/[^/]+$)")

if(NOT ROOT)
  message(FATAL_ERROR "LayerCheck: ROOT is not set")
endif()
file(GLOB_RECURSE files RELATIVE "${ROOT}"
     "${ROOT}/base/*" "${ROOT}/platform/*" "${ROOT}/framework/*" "${ROOT}/proxy/*"
     "${ROOT}/browsers/*" "${ROOT}/ui/*" "${ROOT}/app/*")
set(faults "")
foreach(file IN LISTS files)
  if(NOT file MATCHES "\\.(h|cpp)$")
    continue()
  endif()
  set(allowed "")
  foreach(rule IN LISTS rules)
    string(FIND "${rule}" "=" eq)
    string(SUBSTRING "${rule}" 0 ${eq} folder)
    math(EXPR eq "${eq} + 1")
    string(SUBSTRING "${rule}" ${eq} -1 pattern)
    string(FIND "${file}" "${folder}" at)
    if(at EQUAL 0)
      set(allowed "${pattern}")
      break()
    endif()
  endforeach()
  file(STRINGS "${ROOT}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
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
  message(FATAL_ERROR "Includes must point down the layers "
                      "(base, platform, portable core, Win32 windows, program entry):\n${faults}")
endif()
