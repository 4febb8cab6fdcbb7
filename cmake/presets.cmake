# What CMakePresets.json says, for the scripts that run its presets, so that
# none of them writes a preset's build folder or a list of presets again.
# Read as JSON, following "inherits" as CMake does (the first parent that
# has a field gives it).
#
#   cmake -DQUERY=test-presets -P cmake/presets.cmake
#       the visible test presets whose configure preset can run on this
#       machine, in the file's order, one a line
#   cmake -DQUERY=plugin-builds -P cmake/presets.cmake
#       the visible configure presets here that build the plug-in
#       themselves (not another build's DLL): one a toolchain
#   cmake -DQUERY=build -DPRESET=NAME -P cmake/presets.cmake
#       the test preset NAME's configure preset and its build folder,
#       relative to the source folder: "mingw build/mingw"
#   cmake -DQUERY=folder -DPRESET=NAME -P cmake/presets.cmake
#       the configure preset NAME's build folder: "build/mingw"
cmake_minimum_required(VERSION 3.25)
get_filename_component(source_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
file(READ "${source_dir}/CMakePresets.json" presets)

# The object of the preset NAME in the list KIND (configurePresets, ...).
# One line on standard output, where the scripts read it.
function(say text)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${text}")
endfunction()

function(preset_object kind name out)
    string(JSON count LENGTH "${presets}" ${kind})
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        string(JSON candidate GET "${presets}" ${kind} ${i} name)
        if(candidate STREQUAL name)
            string(JSON object GET "${presets}" ${kind} ${i})
            set(${out} "${object}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "CMakePresets.json has no ${kind} entry named \"${name}\"")
endfunction()

# The field at PATH (one or more keys) of the preset NAME or of the first of
# its parents that has it; empty when none has.
function(preset_field kind name out)
    preset_object(${kind} ${name} object)
    string(JSON value ERROR_VARIABLE missing GET "${object}" ${ARGN})
    if(NOT missing)
        set(${out} "${value}" PARENT_SCOPE)
        return()
    endif()
    string(JSON parents ERROR_VARIABLE orphan GET "${object}" inherits)
    if(orphan)
        set(${out} "" PARENT_SCOPE)
        return()
    endif()
    string(JSON type TYPE "${object}" inherits)
    if(type STREQUAL "STRING")
        set(parents "[\"${parents}\"]")
    endif()
    string(JSON count LENGTH "${parents}")
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        string(JSON parent GET "${parents}" ${i})
        preset_field(${kind} ${parent} value ${ARGN})
        if(NOT value STREQUAL "")
            set(${out} "${value}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${out} "" PARENT_SCOPE)
endfunction()

# Whether the configure preset NAME can run here: its condition, of the one
# kind the file uses (the host system's name, equal or not), holds.
function(runs_here name out)
    preset_field(configurePresets ${name} condition condition)
    set(holds TRUE)
    if(condition)
        string(JSON type GET "${condition}" type)
        string(JSON lhs GET "${condition}" lhs)
        string(JSON rhs GET "${condition}" rhs)
        string(REPLACE "\${hostSystemName}" "${CMAKE_HOST_SYSTEM_NAME}" lhs "${lhs}")
        if(type STREQUAL "equals" AND NOT lhs STREQUAL rhs)
            set(holds FALSE)
        elseif(type STREQUAL "notEquals" AND lhs STREQUAL rhs)
            set(holds FALSE)
        elseif(NOT type MATCHES "^(equals|notEquals)$")
            message(FATAL_ERROR "CMakePresets.json: a condition of type \"${type}\" in ${name}, "
                                "which cmake/presets.cmake cannot judge")
        endif()
    endif()
    set(${out} ${holds} PARENT_SCOPE)
endfunction()

# The build folder of the configure preset NAME, relative to the source
# folder.
function(build_folder name out)
    preset_field(configurePresets ${name} folder binaryDir)
    string(REPLACE "\${presetName}" "${name}" folder "${folder}")
    string(REPLACE "\${sourceDir}/" "" folder "${folder}")
    set(${out} "${folder}" PARENT_SCOPE)
endfunction()

# The visible presets of KIND, in the file's order.
function(visible kind out)
    set(names "")
    string(JSON count LENGTH "${presets}" ${kind})
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        string(JSON name GET "${presets}" ${kind} ${i} name)
        string(JSON hidden ERROR_VARIABLE shown GET "${presets}" ${kind} ${i} hidden)
        if(shown OR NOT hidden)
            list(APPEND names ${name})
        endif()
    endforeach()
    set(${out} ${names} PARENT_SCOPE)
endfunction()

if(QUERY STREQUAL "test-presets")
    visible(testPresets names)
    foreach(name IN LISTS names)
        preset_field(testPresets ${name} configure configurePreset)
        runs_here(${configure} here)
        if(here)
            say("${name}")
        endif()
    endforeach()
elseif(QUERY STREQUAL "plugin-builds")
    visible(configurePresets names)
    foreach(name IN LISTS names)
        runs_here(${name} here)
        preset_field(configurePresets ${name} other_dll cacheVariables TOLVARIS_PLUGIN_DLL)
        if(here AND other_dll STREQUAL "")
            say("${name}")
        endif()
    endforeach()
elseif(QUERY STREQUAL "build" AND PRESET)
    preset_field(testPresets ${PRESET} configure configurePreset)
    build_folder(${configure} folder)
    say("${configure} ${folder}")
elseif(QUERY STREQUAL "folder" AND PRESET)
    build_folder(${PRESET} folder)
    say("${folder}")
else()
    message(FATAL_ERROR "Usage: cmake -DQUERY=test-presets|plugin-builds|build|folder [-DPRESET=NAME] "
                        "-P cmake/presets.cmake")
endif()
