# Runs inside CPack on the staged copy of the release folder, just before it
# is packed (CPACK_PRE_BUILD_SCRIPTS): signs that copy of Tolvaris.dll when
# a certificate is given. The DLL in the build folder stays as the build
# made it. A failure here stops CPack before it writes any archive.
#
#   TOLVARIS_SIGN_CERT           PEM certificate chain, the signer's first
#   TOLVARIS_SIGN_KEY            PEM private key, without a passphrase
#   TOLVARIS_SIGN_TIMESTAMP_URL  optional RFC 3161 time-stamping server
set(dll ${CPACK_TEMPORARY_DIRECTORY}/Tolvaris.dll)
set(cert "$ENV{TOLVARIS_SIGN_CERT}")
set(key "$ENV{TOLVARIS_SIGN_KEY}")
set(timestamp_url "$ENV{TOLVARIS_SIGN_TIMESTAMP_URL}")

if(cert STREQUAL "" AND key STREQUAL "")
    message(STATUS "Tolvaris.dll is NOT signed: set TOLVARIS_SIGN_CERT and TOLVARIS_SIGN_KEY to sign it")
    return()
endif()
if(cert STREQUAL "" OR key STREQUAL "")
    message(FATAL_ERROR "Signing needs both TOLVARIS_SIGN_CERT and TOLVARIS_SIGN_KEY")
endif()
foreach(file "${cert}" "${key}")
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "No such file for signing: ${file}")
    endif()
endforeach()
find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (bash scripts/setup installs it)")
endif()

# The web page is identity.h's, passed on by release/CMakeLists.txt.
set(options -h sha256 -n "Tolvaris plugin" -i "${CPACK_PACKAGE_HOMEPAGE_URL}")
if(NOT timestamp_url STREQUAL "")
    list(APPEND options -ts "${timestamp_url}")
endif()
# The signature records when it was made. With SOURCE_DATE_EPOCH that is
# the moment recorded, so that a signed archive is reproducible too (an RSA
# signature has no random part; a time stamp from a server does).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    list(APPEND options -time "$ENV{SOURCE_DATE_EPOCH}")
endif()

file(REMOVE ${dll}.signed)
execute_process(
    COMMAND ${OSSLSIGNCODE} sign -certs "${cert}" -key "${key}" ${options} -in ${dll} -out ${dll}.signed
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS ${dll}.signed)
    file(REMOVE ${dll}.signed)
    # osslsigncode reads the key as DER before PEM: what OpenSSL's decoders
    # say of those tries is no part of the reason.
    string(REGEX REPLACE "[0-9A-F]+:error:[0-9A-F]+:(DECODER|asn1 encoding) routines:[^\n]*\n?" ""
           output "${output}")
    message(FATAL_ERROR "Signing Tolvaris.dll failed:\n${output}")
endif()
# osslsigncode writes its output with the umask's mode; give the signed copy
# the mode install() gave the DLL.
file(CHMOD ${dll}.signed PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(RENAME ${dll}.signed ${dll})
message(STATUS "Tolvaris.dll is signed with the certificate in ${cert}")
