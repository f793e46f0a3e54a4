# cmake -DINPUT=file -DOUTPUT=source.cpp -DFUNCTION=Name -P embed_text.cmake
# Writes a C++ source whose plumo::Name() returns the file's bytes.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} at build time; do not edit.
#include <string_view>

namespace plumo {
namespace {
constexpr unsigned char kBytes[] = {
    ${bytes}0};
}  // namespace

std::string_view ${FUNCTION}() { return {reinterpret_cast<const char*>(kBytes), sizeof kBytes - 1}; }

}  // namespace plumo
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
