# Writes a C++ source that holds files as byte arrays and registers them as
# resources. Run as a script: cmake -DOUTPUT=... -DFUNCTION=... -DENTRIES_FILE=... -P
# ENTRIES_FILE has one TYPE|NAME|FILE line a resource: TYPE a number, NAME a name or #number.
file(STRINGS "${ENTRIES_FILE}" ENTRIES)
set(body "")
set(calls "")
set(index 0)
foreach(entry IN LISTS ENTRIES)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 type)
    list(GET parts 1 name)
    list(GET parts 2 file)
    file(READ "${file}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(([^,]*,){24})" "\\1\n    " bytes "${bytes}")
    string(APPEND body "const unsigned char Data${index}[] = {0,\n    ${bytes}};\n")
    if(name MATCHES "^#([0-9]+)$")
        set(key "${CMAKE_MATCH_1}")
    else()
        set(key "\"${name}\"")
    endif()
    # Each array starts with one spare byte so that an empty file is an array too.
    string(APPEND calls
        "    rtl::RegisterResource(${type}, ${key}, std::as_bytes(std::span(Data${index} + 1, sizeof Data${index} - 1)));\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new"
    "// Generated from the resource files by cmake/Qrv4Embed.cmake; do not edit.\n"
    "#include \"platform/rtl/Classes.h\"\n\nnamespace\n{\n${body}} // namespace\n\n"
    "void ${FUNCTION}()\n{\n${calls}}\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
