# Writes OUTPUT, a C++ file holding each strings table of TABLES (paths .../<lang>.lproj/
# <Name>.strings) as its bytes, listed by BuiltinTables(). Bytes are written as numbers so any
# text, quotes and line breaks included, comes through unchanged.
set(body "")
set(list "")
set(index 0)
foreach(table IN LISTS TABLES)
    get_filename_component(name ${table} NAME_WE)
    get_filename_component(folder ${table} DIRECTORY)
    get_filename_component(language ${folder} NAME_WE)
    file(READ ${table} hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND body "const char kTable${index}[] = {${bytes} 0};\n")
    string(APPEND list "    {\"${language}\", \"${name}\", {kTable${index}, ${size}}},\n")
    math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
    string(APPEND body "const char kTable0[] = {0};\n")
endif()
file(WRITE ${OUTPUT}.new
"// Generated from installer/words/*.lproj/*.strings; edit those files instead.
#include \"installer/words/builtin_tables.h\"

namespace installer {
namespace {
${body}
const BuiltinTable kTables[] = {
${list}};
}  // namespace

std::span<const BuiltinTable> BuiltinTables() { return kTables; }

}  // namespace installer
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
