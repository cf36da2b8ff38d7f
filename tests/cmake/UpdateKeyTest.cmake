# The update key's check in a real configure of the source tree (cmake/UpdateKey.cmake, which
# runs before project()): a release configure that would trust the development key fails and
# names -DMASKADDR_UPDATE_PUBLIC_KEY; one that may, or has another key, gets past the check.
# A toolchain file that stops the configure marks "past the check", before any compiler is
# looked for, so each case takes a fraction of a second.
#   cmake -DSOURCE=<source tree> -DSCRATCH=<empty folder of the test's own> -P UpdateKeyTest.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
file(WRITE "${SCRATCH}/stop.cmake" "message(FATAL_ERROR \"past the update key's check\")\n")

# The development key elsewhere with Windows line endings: the same key to the check.
file(READ "${SOURCE}/keys/update-signing.dev.pub.pem" dev)
string(REPLACE "\n" "\r\n" copy "${dev}")
file(WRITE "${SCRATCH}/copy.pub.pem" "${copy}")
# Another P-256 point in the same form (one character of X changed).
string(REGEX REPLACE "(MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE.)." "\\1Q" other "${dev}")
if(other STREQUAL dev)
  string(REGEX REPLACE "(MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE.)." "\\1R" other "${dev}")
endif()
file(WRITE "${SCRATCH}/other.pub.pem" "${other}")

set(refused "-DMASKADDR_UPDATE_PUBLIC_KEY")
set(past "past the update key's check")
# Each case: a name, the expected outcome, then the configure's arguments, all split by "|".
set(cases
  "release|${refused}|-DCMAKE_BUILD_TYPE=Release"
  "copy-relwithdebinfo|${refused}|-DCMAKE_BUILD_TYPE=RelWithDebInfo|-DMASKADDR_UPDATE_PUBLIC_KEY=${SCRATCH}/copy.pub.pem"
  "release-allowed|${past}|-DCMAKE_BUILD_TYPE=Release|-DMASKADDR_ALLOW_DEVELOPMENT_KEY=ON"
  "release-other|${past}|-DCMAKE_BUILD_TYPE=Release|-DMASKADDR_UPDATE_PUBLIC_KEY=${SCRATCH}/other.pub.pem"
  "debug|${past}|-DCMAKE_BUILD_TYPE=Debug")
set(failures "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(POP_FRONT parts name expected)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE}" -B "${SCRATCH}/${name}" -G Ninja
            "-DCMAKE_TOOLCHAIN_FILE=${SCRATCH}/stop.cmake" ${parts}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(FIND "${out}" "${expected}" found)
  if(rc EQUAL 0 OR found EQUAL -1)
    string(APPEND failures "${name}: expected \"${expected}\" (exit ${rc}):\n${out}\n")
  endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "update key check: every case as expected")
