# The layer check (cmake/LayerCheck.cmake) on small trees of the test's own: a tree of includes
# that point down passes, and each planted fault fails the check with a line naming its file.
# The source tree itself passes too.
#   cmake -DSOURCE=<source tree> -DSCRATCH=<empty folder of the test's own> -P LayerCheckTest.cmake
set(check "${SOURCE}/cmake/LayerCheck.cmake")

# A tree whose every include is allowed: each line a file and what it includes, split by "|".
set(clean
  "base/Text.h|<string_view>|<stdint.h>"
  "platform/Clock.h|\"base/Text.h\""
  "platform/win32/WinClock.cpp|\"platform/Clock.h\"|<windows.h>|<winsock2.h>"
  "framework/settings/IniText.h|\"framework/paths/AppPaths.h\""
  "framework/engine/Skin.cpp|\"framework/language/CLForm.h\"|<zlib.h>"
  "browsers/Opera.cpp|\"proxy/ProxyRec.h\""
  "ui/Chooser.cpp|\"browsers/Opera.h\"|\"proxy/ProxyRec.h\""
  "ui/win32/Window.cpp|\"ui/Chooser.h\"|<commctrl.h>"
  "app/MainController.h|\"ui/Chooser.h\""
  "app/Main.cpp|\"app/win32/Host.h\"|<windows.h>")
# Each fault: the file planted, its include, and the line the check must print.
set(faults
  "proxy/ProxyManager.cpp|<windows.h>|proxy/ProxyManager.cpp includes <windows.h>"
  "base/Text.cpp|<shlobj.h>|base/Text.cpp includes <shlobj.h>"
  "ui/Chooser.cpp|<wininet.h>|ui/Chooser.cpp includes <wininet.h>"
  "app/StartRoutine.cpp|<unistd.h>|app/StartRoutine.cpp includes <unistd.h>"
  "platform/Clock.h|\"framework/settings/CLSettings.h\"|platform/Clock.h includes framework/settings/CLSettings.h"
  "platform/Http.h|\"platform/win32/WinHttp.h\"|platform/Http.h includes platform/win32/WinHttp.h"
  "platform/win32/WinClock.cpp|\"app/AppPlatform.h\"|platform/win32/WinClock.cpp includes app/AppPlatform.h"
  "proxy/ProxyManager.cpp|\"ui/Chooser.h\"|proxy/ProxyManager.cpp includes ui/Chooser.h"
  "proxy/ProxyRec.h|\"browsers/Opera.h\"|proxy/ProxyRec.h includes browsers/Opera.h"
  "browsers/Opera.cpp|\"ui/Chooser.h\"|browsers/Opera.cpp includes ui/Chooser.h"
  "ui/Chooser.cpp|\"app/MainController.h\"|ui/Chooser.cpp includes app/MainController.h"
  "ui/Chooser.cpp|\"ui/win32/Window.h\"|ui/Chooser.cpp includes ui/win32/Window.h"
  "framework/language/CLForm.cpp|\"framework/engine/CLEngine.h\"|framework/language/CLForm.cpp includes framework/engine/CLEngine.h"
  "framework/paths/AppPaths.cpp|\"framework/settings/CLSettings.h\"|framework/paths/AppPaths.cpp includes framework/settings/CLSettings.h"
  "framework/settings/IniText.cpp|\"proxy/ProxyRec.h\"|framework/settings/IniText.cpp includes proxy/ProxyRec.h"
  "ui/win32/Window.cpp|\"app/win32/MainForm.h\"|ui/win32/Window.cpp includes app/win32/MainForm.h")

function(plant tree entry)
  string(REPLACE "|" ";" parts "${entry}")
  list(POP_FRONT parts file)
  set(text "")
  foreach(include IN LISTS parts)
    string(APPEND text "#include ${include}\n")
  endforeach()
  file(WRITE "${tree}/${file}" "${text}")
endfunction()

function(run_check tree)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DROOT=${tree} -P "${check}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
endfunction()

set(failures "")
file(REMOVE_RECURSE "${SCRATCH}")
foreach(entry IN LISTS clean)
  plant("${SCRATCH}/clean" "${entry}")
endforeach()
foreach(tree "${SCRATCH}/clean" "${SOURCE}")
  run_check("${tree}")
  if(NOT rc EQUAL 0)
    string(APPEND failures "${tree} was refused:\n${out}\n")
  endif()
endforeach()

set(n 0)
foreach(fault IN LISTS faults)
  math(EXPR n "${n} + 1")
  set(tree "${SCRATCH}/fault${n}")
  foreach(entry IN LISTS clean)
    plant("${tree}" "${entry}")
  endforeach()
  string(REGEX REPLACE "\\|[^|]*$" "" planted "${fault}")
  string(REGEX REPLACE "^.*\\|" "" expected "${fault}")
  plant("${tree}" "${planted}")
  run_check("${tree}")
  string(FIND "${out}" "  ${expected}" found)
  string(REGEX MATCHALL "\n +[^ \n]+ includes" lines "${out}")
  list(LENGTH lines count)
  if(rc EQUAL 0 OR found EQUAL -1 OR NOT count EQUAL 1)
    string(APPEND failures "${planted}: expected the one line \"${expected}\" (exit ${rc}):\n${out}\n")
  endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "layer check: the clean trees pass, all ${n} planted faults are refused")
