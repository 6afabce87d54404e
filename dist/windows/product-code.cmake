# Prints the MSI's ProductCode for a version: a name-based UUID (SHA-1) of the version in the
# UpgradeCode's namespace. The same version always has the same ProductCode, which deployment
# tools take as the installed version's detection rule; each version has its own, as a major
# upgrade needs.
#   cmake -DVERSION=0.1 -DUPGRADE_CODE=<uuid> -P product-code.cmake
string(UUID code NAMESPACE "${UPGRADE_CODE}" NAME "simplescope ${VERSION} win64" TYPE SHA1 UPPER)
execute_process(COMMAND ${CMAKE_COMMAND} -E echo "{${code}}")
