# Writes a C++ file that holds the default settings and language file as byte arrays.
function(embed_file path symbol out_var)
  file(READ ${path} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  set(${out_var} "const char ${symbol}Bytes[] = {${bytes} 0};\nconst std::string_view ${symbol}(${symbol}Bytes, ${size});\n" PARENT_SCOPE)
endfunction()

embed_file(${SETTINGS} kDefaultSettingsIni settings_code)
embed_file(${LANGUAGE} kEnglishLanguageFile language_code)
file(WRITE ${OUTPUT}.tmp
  "// Generated from resources/ at build time.\n#include \"app/embedded_resources.h\"\n\nnamespace orlentis {\n${settings_code}${language_code}}  // namespace orlentis\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
