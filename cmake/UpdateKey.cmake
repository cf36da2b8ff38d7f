# The update key: update replies are signed by the service (ECDSA P-256) and the program
# accepts only those that verify with the public key compiled into it. This names the
# PEM file of that public key and writes UpdatePublicKey.h (the point's X and Y, base64).
# It runs before project(), so that a release configure with the development key stops at
# once, before any compiler is looked for.
set(MASKADDR_UPDATE_PUBLIC_KEY "${CMAKE_SOURCE_DIR}/keys/update-signing.dev.pub.pem" CACHE FILEPATH
    "PEM public key (P-256) that update replies must be signed with")
option(MASKADDR_ALLOW_DEVELOPMENT_KEY
       "Let a release build trust the development update key (development and test trees only)" OFF)
set(MASKADDR_DEV_SIGNING_KEY "${CMAKE_SOURCE_DIR}/keys/update-signing.dev.pem")

# The base64 body of a PEM file, without its armour lines and blanks.
function(maskaddr_pem_body file out)
  file(READ "${file}" pem)
  string(REGEX REPLACE "-----[A-Z ]+-----" "" pem "${pem}")
  string(REGEX REPLACE "[ \t\r\n]" "" pem "${pem}")
  set(${out} "${pem}" PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${MASKADDR_UPDATE_PUBLIC_KEY}")
  message(FATAL_ERROR "MASKADDR_UPDATE_PUBLIC_KEY: no file ${MASKADDR_UPDATE_PUBLIC_KEY}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${MASKADDR_UPDATE_PUBLIC_KEY}")
maskaddr_pem_body("${MASKADDR_UPDATE_PUBLIC_KEY}" key)
# A P-256 public key in its standard form is 91 bytes: a fixed 27-byte head (the key type, the
# curve and the uncompressed point's 04), then X and Y; in base64 the head is these 36 characters.
set(head "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE")
string(LENGTH "${key}" length)
string(FIND "${key}" "${head}" at)
if(NOT length EQUAL 124 OR NOT at EQUAL 0)
  message(FATAL_ERROR "MASKADDR_UPDATE_PUBLIC_KEY: ${MASKADDR_UPDATE_PUBLIC_KEY} is not a P-256 public key "
                      "in PEM form (openssl ec -in KEY.pem -pubout -out KEY.pub.pem)")
endif()
# The development key's private half is in the repository, so a program that trusts it takes
# update replies from anyone. Keys are compared by their content (the PEM body), wherever the
# file lies and whatever its line endings. A multi-config generator may build Release, so it
# counts as a release build.
maskaddr_pem_body("${CMAKE_SOURCE_DIR}/keys/update-signing.dev.pub.pem" dev_key)
string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(NOT key STREQUAL dev_key)
  message(STATUS "Update key: ${MASKADDR_UPDATE_PUBLIC_KEY}; the tests sign with the development key "
                 "and need a build with it")
elseif((build_type MATCHES "^(RELEASE|RELWITHDEBINFO|MINSIZEREL)$" OR multi_config)
       AND NOT MASKADDR_ALLOW_DEVELOPMENT_KEY)
  message(FATAL_ERROR "This release build would trust the development update key "
    "(${MASKADDR_UPDATE_PUBLIC_KEY}), whose private half is in the repository: anyone could sign "
    "update replies for it. Configure with -DMASKADDR_UPDATE_PUBLIC_KEY=/path/to/your-update-signing.pub.pem "
    "(see \"Signed update replies\" in README.md), or, for a development or test tree, with "
    "-DMASKADDR_ALLOW_DEVELOPMENT_KEY=ON.")
endif()
string(SUBSTRING "${key}" 36 88 MASKADDR_UPDATE_PUBLIC_POINT)
# The key's fingerprint as the About window shows it: the first 16 hex digits of the SHA-256 of
# its standard (DER) form, what a distributor gets with
#   openssl pkey -pubin -in KEY.pub.pem -outform DER | sha256sum
find_program(MASKADDR_OPENSSL openssl REQUIRED)
execute_process(COMMAND "${MASKADDR_OPENSSL}" pkey -pubin -in "${MASKADDR_UPDATE_PUBLIC_KEY}" -outform DER
                COMMAND "${MASKADDR_OPENSSL}" dgst -sha256 -r
                OUTPUT_VARIABLE digest RESULT_VARIABLE digest_failed)
string(SUBSTRING "${digest}" 0 16 MASKADDR_UPDATE_KEY_FINGERPRINT)
if(digest_failed OR NOT MASKADDR_UPDATE_KEY_FINGERPRINT MATCHES "^[0-9a-f]+$")
  message(FATAL_ERROR "MASKADDR_UPDATE_PUBLIC_KEY: openssl could not read ${MASKADDR_UPDATE_PUBLIC_KEY}")
endif()
file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/product/UpdatePublicKey.h" CONTENT
"// Generated from ${MASKADDR_UPDATE_PUBLIC_KEY}: the public key that update replies must be
// signed with (P-256; the point's X then Y, 32 bytes each, in base64).
#pragma once
inline constexpr char kUpdatePublicKey[] = \"@MASKADDR_UPDATE_PUBLIC_POINT@\";
// The first 16 hex digits of the SHA-256 of the key's DER form.
inline constexpr char kUpdateKeyFingerprint[] = \"@MASKADDR_UPDATE_KEY_FINGERPRINT@\";
" @ONLY)
