# Script mode: writes a C++ file that holds files as byte arrays, each behind a string_view.
#   -DOUTPUT=file.cpp -DHEADER=layer/name.h -DENTRIES=path=symbol,path=symbol
function(embed_file path symbol out_var)
  file(READ ${path} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  set(${out_var} "const char ${symbol}Bytes[] = {${bytes} 0};\nconst std::string_view ${symbol}(${symbol}Bytes, ${size});\n" PARENT_SCOPE)
endfunction()

set(code "")
string(REPLACE "," ";" entry_list "${ENTRIES}")
foreach(entry ${entry_list})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 path)
  list(GET parts 1 symbol)
  embed_file(${path} ${symbol} one)
  string(APPEND code "${one}")
endforeach()
file(WRITE ${OUTPUT}.tmp
  "// Generated from resources/ at build time.\n#include \"${HEADER}\"\n\nnamespace orlentis {\n${code}}  // namespace orlentis\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
