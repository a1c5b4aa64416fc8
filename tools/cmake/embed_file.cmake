# Writes a C++ source that holds a file as a byte array:
#   cmake -DINPUT=clip.wav -DOUTPUT=clip.cpp -DFUNCTION=EmbeddedClipWav -P embed_file.cmake
# The source defines `std::span<const unsigned char> zvoice::FUNCTION()`.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keep the generated file readable in an editor.
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp" "// Generated from ${name} by embed_file.cmake; do not edit.
#include \"embedded_clip.h\"

namespace zvoice {
namespace {
constexpr unsigned char kBytes[] = {
${bytes}
};
}  // namespace

std::span<const unsigned char> ${FUNCTION}() { return kBytes; }

}  // namespace zvoice
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
