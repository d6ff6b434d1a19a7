# Writes a C++ source with one function that returns a file's text.
#   cmake -DOUTPUT=file.cpp -DINPUT=data/x.ldif -DFUNCTION=BuiltinX -DHEADER=client/memory/x.h -P embed_text.cmake
include(${CMAKE_CURRENT_LIST_DIR}/embed_literal.cmake)
veralith_raw_literal("${INPUT}" veralith_text pieces length)
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.
#include \"${HEADER}\"

namespace veralith::client::memory {

std::string_view ${FUNCTION}()
{
    static const char kText[] =
${pieces};
    return std::string_view(kText, ${length});
}

} // namespace veralith::client::memory
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
