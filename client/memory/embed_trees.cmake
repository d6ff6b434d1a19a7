# Writes a C++ source that holds tree files as string literals.
#   cmake -DOUTPUT=file.cpp -DSOURCE_DIR=<repo root> -DINPUTS=a.json|b.json [-DNAMED_INPUTS=c.json] -P embed_trees.cmake
# INPUTS are served by default; NAMED_INPUTS only when named as "builtin:NAME".
string(REPLACE "|" ";" inputs "${INPUTS}")
string(REPLACE "|" ";" named_inputs "${NAMED_INPUTS}")
set(default_inputs ${inputs})
list(APPEND inputs ${named_inputs})
include(${CMAKE_CURRENT_LIST_DIR}/embed_literal.cmake)
set(body "")
foreach(input IN LISTS inputs)
  list(FIND default_inputs "${input}" default_index)
  if(default_index GREATER -1)
    set(served "true")
  else()
    set(served "false")
  endif()
  get_filename_component(stem "${input}" NAME_WE)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${input}")
  veralith_raw_literal("${input}" veralith_tree pieces length)
  string(APPEND body "    {\"${stem}\", \"${relative}\", std::string_view(\n${pieces}, ${length}), ${served}},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from the built-in tree files; do not edit.
#include \"client/memory/builtin_trees.h\"

namespace veralith::client::memory {

const std::vector<BuiltinTree>& BuiltinTrees()
{
    static const std::vector<BuiltinTree> trees = {
${body}    };
    return trees;
}

} // namespace veralith::client::memory
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
