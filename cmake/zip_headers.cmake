# Reads the headers of a zip archive itself, by the format's offsets, so that
# what the release proofs and the archive's normaliser see of an archive does
# not hang on how some listing tool words it (zipdetails and zipinfo word
# the same headers differently from one Debian to the next).
#
# zip_headers(ARCHIVE OUT) sets OUT to a list with one item for each entry's
# local header and one for its central directory entry, in the order of the
# central directory:
#   "local NAME DOSTIME EXTRAS..." and "central NAME DOSTIME EXTRAS..."
# DOSTIME is the MS-DOS date and time as one 32-bit number, date in the high
# half (eight hex digits); each extra field is ID:VALUES in hex, the
# extended timestamp (5455) with its times, the Info-ZIP "ux" field (7875)
# with its user and group IDs, any other ID bare:
#   local T/README.txt 57504430 5455:652CF55D,652CF55D,652CF55D 7875:00000000,00000000
# A central item ends with mode:OCTAL, the Unix mode its external attributes
# hold. A malformed archive is a fatal error naming what is wrong.
#
# zip_hex8(VALUE OUT) sets OUT to VALUE as zip_headers words a number.
#
# As a script, one item a line on standard output:
#   cmake -DARCHIVE=FILE.zip -P cmake/zip_headers.cmake
cmake_minimum_required(VERSION 3.25)

# The unsigned little-endian number of WIDTH bytes at byte OFFSET of HEX.
function(_zip_number hex offset width out)
    math(EXPR start "${offset} * 2")
    math(EXPR length "${width} * 2")
    string(LENGTH "${hex}" size)
    math(EXPR end "${start} + ${length}")
    if(end GREATER size)
        message(FATAL_ERROR "zip_headers: ${_zip_archive} ends inside a header (byte ${offset})")
    endif()
    string(SUBSTRING "${hex}" ${start} ${length} bytes)
    set(value "")
    foreach(i RANGE 0 ${length} 2)
        if(i LESS length)
            string(SUBSTRING "${bytes}" ${i} 2 byte)
            set(value "${byte}${value}")
        endif()
    endforeach()
    math(EXPR value "0x${value}" OUTPUT_FORMAT DECIMAL)
    set(${out} ${value} PARENT_SCOPE)
endfunction()

# VALUE as eight upper-case hex digits, as zip_headers writes each number:
# for a caller to say what a header must hold.
function(zip_hex8 value out)
    math(EXPR hex "${value}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex}" 2 -1 hex)
    string(TOUPPER "${hex}" hex)
    string(LENGTH "${hex}" length)
    while(length LESS 8)
        set(hex "0${hex}")
        math(EXPR length "${length} + 1")
    endwhile()
    set(${out} ${hex} PARENT_SCOPE)
endfunction()

# The text of LENGTH bytes at OFFSET (a name: printable ASCII expected).
function(_zip_text hex offset length out)
    set(text "")
    if(length GREATER 0)
        math(EXPR last "${offset} + ${length} - 1")
        foreach(at RANGE ${offset} ${last})
            _zip_number("${hex}" ${at} 1 code)
            if(code LESS 33 OR code GREATER 126)
                message(FATAL_ERROR "zip_headers: ${_zip_archive}: a name with byte ${code}")
            endif()
            string(ASCII ${code} char)
            string(APPEND text "${char}")
        endforeach()
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The extra fields of LENGTH bytes at OFFSET, as " ID:VALUES" words.
function(_zip_extras hex offset length out)
    set(words "")
    set(at ${offset})
    math(EXPR end "${offset} + ${length}")
    while(at LESS end)
        _zip_number("${hex}" ${at} 2 id)
        math(EXPR size_at "${at} + 2")
        _zip_number("${hex}" ${size_at} 2 size)
        math(EXPR data "${at} + 4")
        math(EXPR next "${data} + ${size}")
        if(next GREATER end)
            message(FATAL_ERROR "zip_headers: ${_zip_archive}: an extra field runs past its header")
        endif()
        math(EXPR id_hex "${id}" OUTPUT_FORMAT HEXADECIMAL)
        string(SUBSTRING "${id_hex}" 2 -1 id_hex)
        string(TOUPPER "${id_hex}" id_hex)
        set(values "")
        if(id EQUAL 21589) # 0x5455, extended timestamp: flags, then 4-byte times
            math(EXPR time "${data} + 1")
            while(time LESS next)
                _zip_number("${hex}" ${time} 4 value)
                zip_hex8(${value} value)
                list(APPEND values ${value})
                math(EXPR time "${time} + 4")
            endwhile()
        elseif(id EQUAL 30837) # 0x7875, Info-ZIP ux: version, then sized UID and GID
            math(EXPR uid_size_at "${data} + 1")
            _zip_number("${hex}" ${uid_size_at} 1 uid_size)
            math(EXPR uid_at "${uid_size_at} + 1")
            _zip_number("${hex}" ${uid_at} ${uid_size} uid)
            math(EXPR gid_size_at "${uid_at} + ${uid_size}")
            _zip_number("${hex}" ${gid_size_at} 1 gid_size)
            math(EXPR gid_at "${gid_size_at} + 1")
            _zip_number("${hex}" ${gid_at} ${gid_size} gid)
            zip_hex8(${uid} uid)
            zip_hex8(${gid} gid)
            set(values ${uid} ${gid})
        endif()
        if(values)
            string(REPLACE ";" "," values "${values}")
            string(APPEND words " ${id_hex}:${values}")
        else()
            string(APPEND words " ${id_hex}")
        endif()
        set(at ${next})
    endwhile()
    set(${out} "${words}" PARENT_SCOPE)
endfunction()

function(zip_headers archive out)
    set(_zip_archive "${archive}")
    file(READ "${archive}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    # The end of central directory record, 22 bytes when the archive has no
    # comment, as ours never has.
    math(EXPR eocd "${size} - 22")
    if(eocd LESS 0)
        message(FATAL_ERROR "zip_headers: ${archive} is too short to be a zip archive")
    endif()
    _zip_number("${hex}" ${eocd} 4 signature)
    if(NOT signature EQUAL 101010256) # 0x06054b50
        message(FATAL_ERROR "zip_headers: ${archive} does not end with a zip archive's "
                            "end of central directory (or has a comment)")
    endif()
    math(EXPR at "${eocd} + 10")
    _zip_number("${hex}" ${at} 2 count)
    math(EXPR at "${eocd} + 16")
    _zip_number("${hex}" ${at} 4 central)
    set(items "")
    set(at ${central})
    foreach(entry RANGE 1 ${count})
        if(entry GREATER count)
            break()
        endif()
        _zip_number("${hex}" ${at} 4 signature)
        if(NOT signature EQUAL 33639248) # 0x02014b50
            message(FATAL_ERROR "zip_headers: ${archive}: central directory entry ${entry} is not one")
        endif()
        foreach(field time:12:4 name_length:28:2 extra_length:30:2 comment_length:32:2
                      attributes:38:4 local:42:4)
            string(REPLACE ":" ";" field "${field}")
            list(GET field 0 key)
            list(GET field 1 offset)
            list(GET field 2 width)
            math(EXPR offset "${at} + ${offset}")
            _zip_number("${hex}" ${offset} ${width} ${key})
        endforeach()
        math(EXPR name_at "${at} + 46")
        _zip_text("${hex}" ${name_at} ${name_length} name)
        math(EXPR extra_at "${name_at} + ${name_length}")
        _zip_extras("${hex}" ${extra_at} ${extra_length} extras)
        zip_hex8(${time} dos)
        math(EXPR mode "${attributes} >> 16" OUTPUT_FORMAT DECIMAL)
        # The mode in octal, digit by digit.
        set(octal "")
        while(mode GREATER 0)
            math(EXPR digit "${mode} % 8")
            math(EXPR mode "${mode} / 8")
            set(octal "${digit}${octal}")
        endwhile()
        set(central_item "central ${name} ${dos}${extras} mode:${octal}")

        _zip_number("${hex}" ${local} 4 signature)
        if(NOT signature EQUAL 67324752) # 0x04034b50
            message(FATAL_ERROR "zip_headers: ${archive}: the local header of ${name} is not one")
        endif()
        math(EXPR offset "${local} + 10")
        _zip_number("${hex}" ${offset} 4 local_time)
        math(EXPR offset "${local} + 26")
        _zip_number("${hex}" ${offset} 2 local_name_length)
        math(EXPR offset "${local} + 28")
        _zip_number("${hex}" ${offset} 2 local_extra_length)
        math(EXPR local_name_at "${local} + 30")
        _zip_text("${hex}" ${local_name_at} ${local_name_length} local_name)
        math(EXPR local_extra_at "${local_name_at} + ${local_name_length}")
        _zip_extras("${hex}" ${local_extra_at} ${local_extra_length} local_extras)
        zip_hex8(${local_time} local_dos)
        list(APPEND items "local ${local_name} ${local_dos}${local_extras}" "${central_item}")

        math(EXPR at "${extra_at} + ${extra_length} + ${comment_length}")
    endforeach()
    set(${out} "${items}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    if(NOT ARCHIVE)
        message(FATAL_ERROR "Usage: cmake -DARCHIVE=FILE.zip -P cmake/zip_headers.cmake")
    endif()
    zip_headers("${ARCHIVE}" items)
    foreach(item IN LISTS items)
        execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${item}")
    endforeach()
endif()
