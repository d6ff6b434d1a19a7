# Writes a C++ source with one function that returns a file's text.
#   cmake -DOUTPUT=file.cpp -DINPUT=data/x.ldif -DFUNCTION=BuiltinX -DHEADER=client/memory/x.h -P embed_text.cmake
file(READ "${INPUT}" content)
string(FIND "${content}" ")veralith_text\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the literal delimiter )veralith_text\"")
endif()
string(LENGTH "${content}" length)
set(pieces "")
set(offset 0)
while(offset LESS length)
  string(SUBSTRING "${content}" ${offset} 16000 piece)
  string(APPEND pieces "R\"veralith_text(${piece})veralith_text\"\n")
  math(EXPR offset "${offset} + 16000")
endwhile()
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
