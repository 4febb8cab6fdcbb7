# Writes build_stamp.h: the local date and time of the build and the name of
# the machine, for the version resource. Run by the build each time the DLL
# is linked anew (cmake -P), not once at configure time. string(TIMESTAMP)
# takes SOURCE_DATE_EPOCH when it is set, which makes the stamp reproducible.
string(TIMESTAMP when "%Y-%m-%d %H:%M:%S")
cmake_host_system_information(RESULT machine QUERY HOSTNAME)
file(WRITE ${OUTPUT}.new
    "#define TOLVARIS_BUILD_TIME \"${when}\"\n"
    "#define TOLVARIS_BUILT_ON \"${machine}\"\n")
file(RENAME ${OUTPUT}.new ${OUTPUT})
